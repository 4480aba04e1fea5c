// The C# host of the binding tests: the P/Invoke declarations of
// bindings/csharp on pinned frames of the dataset. The main thread checks
// the host's safety rows (a capacity query, image sizes, the log, a UTF-8
// path), then asks for the markers with room for one, which must be refused
// with the room needed.
// Then a worker thread runs through the C interface the height road (the
// spots of the calibration frames, the calibration from them into a copy of
// the starting file, the shift of its initZ, a measurement), the precision
// layer's road (the spot readings, the height model fitted from them into a
// file of its own, a height reading from that file), the chessboard
// calibration, and the markers of the ArUco views with the calibration from
// them; each line must be the C++ reference's of tests/c/bindingReference.cpp
// to the last bit. A dark frame must read as no spot by no method. The worker's calls must leave
// the main thread's last error as it was. Last come the station layer's
// calls. Exits 1 when a check fails.
//   mono bindingHost.exe DATA_DIR REFERENCE_DIR
using System;
using System.IO;
using System.Linq;
using System.Runtime.InteropServices;
using System.Threading;
using Talmeq;
using N = Talmeq.TalmeqNative;
using S = Talmeq.TalmeqStationNative;

static class BindingHost
{
    static string data, reference;
    static int failures;

    // The raw pixels the reference wrote beside a PNG of the dataset.
    static PinnedImage Frame(string folder, string name, int width, int height) =>
        new PinnedImage(File.ReadAllBytes(Path.Combine(data, folder, name + ".bgr")), width, height, 3);

    static void Check(bool condition, string what)
    {
        if (condition) return;
        Console.Error.WriteLine("FAILED: " + what + " (last error: " + N.LastError() + ")");
        Interlocked.Increment(ref failures);
    }

    // A line as the reference writes it (ints as they are, floating-point
    // values as the hex digits of their bits; arrays item by item) must be
    // one of its transcript's.
    static void Expect(string step, params object[] items)
    {
        var flat = items.SelectMany(item => item is Array ? ((Array)item).Cast<object>() : new[] { item });
        string line = step + string.Concat(flat.Select(item => " " + (item is int ? item.ToString()
            : BitConverter.DoubleToInt64Bits(Convert.ToDouble(item)).ToString("x16"))));
        Check(File.ReadAllLines(Path.Combine(reference, "transcript.txt")).Contains(line), line);
    }

    static void Calls()
    {
        var centres = new TalmeqPoint2d[7];
        var spots = new TalmeqPoint[7];
        for (int i = 0; i < 7; ++i)
            using (var calib = Frame("height", "calib_0" + i, 1280, 1024))
            {
                Expect("spot", i, N.talmeq_getSpotCoord(ref calib.Image, out spots[i]), spots[i].X, spots[i].Y);
                Check(N.talmeq_readSpot(ref calib.Image, out var reading) == 0, "readSpot");
                centres[i] = reading.Centre;
            }
        using (var dark = new PinnedImage(64, 48, 3))
            Check(N.talmeq_readSpot(ref dark.Image, out var none) == 0 && none.Status == N.SpotNoSpot &&
                  none.Method == N.MethodNone, "a dark frame reads as no spot, by no method");
        var heights = Enumerable.Range(0, 7).Select(i => 5.0 * i).ToArray();
        string calibration = Path.Combine(reference, "hostCalibration.yml");
        File.Copy(Path.Combine(data, "height", "calibration.yml"), calibration, true);
        Expect("calibrate", N.talmeq_getCalibrationParamByLinear(heights, 7, spots, 7, calibration));
        Expect("correct", N.talmeq_correctYml(-10.0, -9.75, calibration));
        var errors = new double[7];
        string yml = Path.Combine(reference, "hostFit.yml");
        Check(N.talmeq_fitHeightModel(heights, centres, 7, yml, out var m, errors) == 0, "fitHeightModel");
        Expect("model", m.Status, m.K, m.B, m.Reference.X, m.Reference.Y, m.AverageError, m.Window.X, m.Window.Y,
            m.Window.Width, m.Window.Height, errors);
        using (var chess = Frame("chess", "chess", 1024, 768))
            Expect("chess", N.talmeq_calibChess(ref chess.Image, out var camera), camera.Matrix, camera.Distortion);
        var allMarkers = new System.Collections.Generic.List<TalmeqMarker>();
        var markerCounts = new System.Collections.Generic.List<int>();
        for (int v = 0; v < 8; ++v)
            using (var view = Frame("aruco", "view_0" + v, 1024, 768))
            {
                var markers = new TalmeqMarker[64];
                int code = N.talmeq_getArucoCorners(ref view.Image, markers, markers.Length, out var count);
                Expect("markers", v, code, count, markers.Take(count).Select(k => k.Id).ToArray(),
                    markers.Take(count).SelectMany(k => new[] { k.X0, k.Y0, k.X1, k.Y1, k.X2, k.Y2, k.X3, k.Y3 })
                        .ToArray());
                if (code != 0) continue;
                allMarkers.AddRange(markers.Take(count));
                markerCounts.Add(count);
            }
        int arucoCode = N.talmeq_calibAruco(allMarkers.ToArray(), markerCounts.ToArray(), markerCounts.Count, 1024,
            768, out var aruco);
        Expect("aruco", arucoCode, arucoCode == 0 ? aruco.Matrix : new double[0],
            arucoCode == 0 ? aruco.Distortion : new double[0]);
        using (var measure = Frame("height", "measure_00", 1280, 1024))
        {
            double height = 0.0, axisZ = 0.0;
            Expect("measure", 0, N.talmeq_getPlaneHeightByLinear(ref measure.Image, calibration, ref height,
                ref axisZ), height, axisZ);
            Check(N.talmeq_readHeight(ref measure.Image, yml, out var r) == 0, "readHeight");
            TalmeqSpotReading s = r.Spot;
            Expect("height", 0, s.Status, s.Method, s.Centre.X, s.Centre.Y, s.Covariance, s.Uncertainty, s.Peak,
                s.Background, s.SigmaX, s.SigmaY, s.SaturatedFraction, s.Candidates, s.RunnerUp, s.RunnerUpCentre.X,
                s.RunnerUpCentre.Y, s.DetectorResult, s.DetectorSpot.X, s.DetectorSpot.Y, r.Height, r.AxisZ,
                r.HeightUncertainty, r.Status, r.Window.X, r.Window.Y, r.Window.Width, r.Window.Height);
        }
    }

    // The station layer's calls (bindings/csharp/TalmeqStation.cs): the
    // structs as large as the C ones, the camera calibrated from the
    // dataset's chessboard views with the point counts asked for first, a
    // characterization with a failed row, and the height offset's correction
    // refusing a NaN and correcting a whole calibration, each list of the
    // results read from the library's arrays and released.
    static void StationCalls()
    {
        Check(Marshal.SizeOf<TalmeqCalibrationReport>() == 744 && Marshal.SizeOf<TalmeqViewQuality>() == 64 &&
              Marshal.SizeOf<TalmeqStationCharacterization>() == 152 && Marshal.SizeOf<TalmeqBoard>() == 80,
            "the structs have the C layout");
        var board = new TalmeqBoard { Type = S.BoardChessboard, Columns = 17, Rows = 12, Square = 15, Dictionary = "" };
        var views = new TalmeqBoardPoints[12];
        var pins = new GCHandle[12];
        for (int v = 0; v < 12; ++v)
        {
            using (var image = Frame("chess", $"view_{v:00}", 1024, 768))
            {
                Check(S.talmeq_findBoardPoints(ref image.Image, ref board, null, null, 0, out int count, null, 0) == 0 &&
                      count == 204, "capacity 0 counts the points");
                var points = new TalmeqPoint2d[2 * count];
                var imagePoints = new TalmeqPoint2d[count];
                var boardPoints = new TalmeqPoint2d[count];
                S.talmeq_findBoardPoints(ref image.Image, ref board, imagePoints, boardPoints, count, out count, null, 0);
                imagePoints.CopyTo(points, 0);
                boardPoints.CopyTo(points, count);
                pins[v] = GCHandle.Alloc(points, GCHandleType.Pinned);
                IntPtr first = pins[v].AddrOfPinnedObject();
                views[v] = new TalmeqBoardPoints { ImagePoints = first, BoardPoints = first + count * 16, Count = count };
            }
        }
        S.talmeq_defaultCalibrationThresholds(out var thresholds);
        Check(S.talmeq_calibrateCameraFromViews(views, 12, 1024, 768, ref thresholds, out var report) == 0 &&
              report.Accepted == 1 && report.ViewCount == 12 && report.Camera.Matrix[0] > 1000 &&
              S.Item<TalmeqViewQuality>(report.Views, 11).Points == 204 &&
              S.Item<TalmeqVerdictCheck>(report.Checks, 0).Name.Length > 0, "the calibration report");
        S.talmeq_freeCalibrationReport(ref report);
        Check(report.Views == IntPtr.Zero, "a freed report is empty");
        foreach (var pin in pins) pin.Free();

        var samples = new TalmeqHeightSample[6];
        for (int i = 0; i < 6; ++i)
            samples[i] = new TalmeqHeightSample { TrueHeight = 5 * (i / 2), Height = 5 * (i / 2), Measured = i < 5 ? 1 : 0 };
        S.talmeq_defaultCharacterizationThresholds(out var limits);
        Check(S.talmeq_characterizeStation(samples, 6, ref limits, out var station) == 0 && station.FailedRows == 1 &&
              station.Pass == 0 && station.ResidualCount == 6, "a characterization with a failed row");
        S.talmeq_freeCharacterization(ref station);

        string yml = Path.Combine(reference, "hostOffset.yml");
        File.WriteAllText(yml, "%YAML:1.0\n---\nk: 0.5\nb: 0.25\ninitialX: 100.\ninitialY: 50.\nscale: 0.1\n" +
            "dist: 300.\ninitZ: -31.\nfocusD: 0.5\nRoI: [ 50, 40, 200, 30 ]\noffsetX: 0.\noffsetY: 0.\n");
        Check(S.talmeq_correctHeightOffset(double.NaN, -30.5, yml, out var refused) == 0 &&
              refused.Status == S.OffsetNotFinite && refused.InitZBefore == -31.0, "a NaN height is refused");
        Check(S.talmeq_correctHeightOffset(-10.0, -9.75, yml, out var corrected) == 0 &&
              corrected.Status == S.OffsetCorrected && corrected.InitZAfter == -30.75, "the offset corrected");
    }

    static int Main(string[] args)
    {
        data = args[0];
        reference = args[1];
        using (var view = Frame("aruco", "view_00", 1024, 768))
            Check(N.talmeq_getArucoCorners(ref view.Image, null, 0, out var counted) == 0 && counted > 1,
                "capacity 0 counts the markers");
        // Image sizes whose byte count passes int, negative or zero channels,
        // and a disposed image that still points at its pixels.
        foreach (var size in new[] { new[] { 50000, 50000, 3 }, new[] { -4, 4, 3 }, new[] { 4, 4, 0 } })
            try { new PinnedImage(new byte[16], size[0], size[1], size[2]); Check(false, "size " + size[0]); }
            catch (ArgumentException) { }
        var disposed = new PinnedImage(4, 4, 3);
        disposed.Dispose();
        Check(disposed.Image.Data == IntPtr.Zero && disposed.Image.Width == 0, "a disposed image forgets its pixels");
        // The log: one failure record through the callback, the print
        // stream off; a path in UTF-8 reaches the file.
        var logged = new System.Collections.Generic.List<string>();
        TalmeqLog.SetLevel(TalmeqLog.Print, TalmeqLog.Off);
        TalmeqLog.SetCallback((level, text) => logged.Add(text), TalmeqLog.Error);
        using (var empty = new PinnedImage(0, 0, 3))
            N.talmeq_getSpotCoord(ref empty.Image, out var none);
        TalmeqLog.SetCallback(null);
        TalmeqLog.SetLevel(TalmeqLog.Print, TalmeqLog.Info);
        Check(logged.Count == 1 && logged[0].StartsWith("getSpotCoord returned -2"), "one record to the callback");
        string utf8 = Path.Combine(reference, "h\u00f6he \u00b5m.yml");
        File.Copy(Path.Combine(data, "height", "calibration.yml"), utf8, true);
        Check(N.talmeq_correctYml(0.0, 0.5, utf8) == 0 && File.ReadAllText(utf8).Contains("initZ"), "a UTF-8 path");
        using (var view = Frame("aruco", "view_00", 1024, 768))
            Check(N.talmeq_getArucoCorners(ref view.Image, new TalmeqMarker[1], 1, out var needed) ==
                  N.InvalidArgument && needed > 1, "a buffer for one marker tells the room needed");
        var worker = new Thread(Calls);
        worker.Start();
        worker.Join();
        Check(N.LastError().Contains("room for 1"), "this thread's last error outlives another thread's calls");
        StationCalls();
        if (failures > 0) Console.Error.WriteLine(failures + " checks failed");
        return failures > 0 ? 1 : 0;
    }
}
