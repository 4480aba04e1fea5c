// The C# host of the binding tests: the P/Invoke declarations of
// bindings/csharp on pinned frames of the dataset. A worker thread makes one
// call per result struct (TalmeqPoint, TalmeqCamera, TalmeqMarker,
// TalmeqHeightReading with its TalmeqSpotReading), each of which must give
// the C++ reference's line of tests/c/bindingReference.cpp to the last bit,
// while the main thread makes calls fail, whose error text must stay its
// own, and asks for the markers with room for one. Exits 1 when a check fails.
//   mono bindingHost.exe DATA_DIR REFERENCE_DIR
using System;
using System.IO;
using System.Linq;
using System.Threading;
using Talmeq;
using N = Talmeq.TalmeqNative;

static class BindingHost
{
    static string data, reference;
    static int failures;

    // The raw pixels the reference wrote beside a PNG of the dataset.
    static PinnedImage Frame(string folder, string name, int width, int height)
    {
        return new PinnedImage(File.ReadAllBytes(Path.Combine(data, folder, name + ".bgr")), width, height, 3);
    }

    static void Check(bool condition, string what)
    {
        if (condition) return;
        Console.Error.WriteLine("FAILED: " + what + " (last error: " + N.LastError() + ")");
        Interlocked.Increment(ref failures);
    }

    // A line as the reference writes it (ints as they are, floating-point
    // values as the hex digits of their bits) must be one of its transcript's.
    static void Expect(string step, params object[] items)
    {
        string line = step + string.Concat(items.Select(item => " " + (item is int ? item.ToString()
            : BitConverter.DoubleToInt64Bits(Convert.ToDouble(item)).ToString("x16"))));
        Check(File.ReadAllLines(Path.Combine(reference, "transcript.txt")).Contains(line), line);
    }

    static void Calls()
    {
        TalmeqPoint spot;
        using (var calib = Frame("height", "calib_00", 1280, 1024))
            Expect("spot", 0, N.talmeq_getSpotCoord(ref calib.Image, out spot), spot.X, spot.Y);
        TalmeqCamera camera;
        using (var chess = Frame("chess", "chess", 1024, 768))
            Expect("chess", new object[] { N.talmeq_calibChess(ref chess.Image, out camera) }
                .Concat(camera.Matrix.Cast<object>()).Concat(camera.Distortion.Cast<object>()).ToArray());
        var markers = new TalmeqMarker[64];
        int count;
        using (var view = Frame("aruco", "view_00", 1024, 768))
            Expect("markers", new object[] { 0, N.talmeq_getArucoCorners(ref view.Image, markers,
                markers.Length, out count), count }.Concat(markers.Take(count).SelectMany(m => new object[] {
                m.Id, m.X0, m.Y0, m.X1, m.Y1, m.X2, m.Y2, m.X3, m.Y3 })).ToArray());
        TalmeqHeightReading r;
        using (var measure = Frame("height", "measure_00", 1280, 1024))
            Check(N.talmeq_readHeight(ref measure.Image, Path.Combine(reference, "precise.yml"), out r) == 0, "readHeight");
        TalmeqSpotReading s = r.Spot;
        Expect("height", 0, s.Status, s.Method, s.Centre.X, s.Centre.Y, s.Covariance[0],
            s.Covariance[1], s.Covariance[2], s.Covariance[3], s.Uncertainty, s.Peak, s.Background, s.SigmaX, s.SigmaY,
            s.SaturatedFraction, s.Candidates, s.RunnerUp, s.RunnerUpCentre.X, s.RunnerUpCentre.Y, s.DetectorResult,
            s.DetectorSpot.X, s.DetectorSpot.Y, r.Height, r.AxisZ, r.HeightUncertainty, r.Status, r.Window.X,
            r.Window.Y, r.Window.Width, r.Window.Height);
    }

    static int Main(string[] args)
    {
        data = args[0];
        reference = args[1];
        var worker = new Thread(Calls);
        worker.Start();
        using (var view = Frame("aruco", "view_00", 1024, 768))
        {
            var matrix = new[] { 1000.0, 0.0, 512.0, 0.0, 1000.0, 384.0, 0.0, 0.0, 1.0 };
            for (int round = 0; round < 50 || worker.IsAlive; ++round)
            {
                var target = new TalmeqImage { Width = 800, Height = 600 };
                Check(N.talmeq_undistAruco(ref view.Image, matrix, new double[3], 3, ref target) == N.Exception &&
                      N.LastError().Contains("OpenCV"), "three coefficients raise OpenCV's error, told on this thread");
            }
            int needed;
            Check(N.talmeq_getArucoCorners(ref view.Image, new TalmeqMarker[1], 1, out needed) == N.InvalidArgument &&
                  needed > 1, "a buffer for one marker tells the room needed");
        }
        worker.Join();
        if (failures > 0) Console.Error.WriteLine(failures + " checks failed");
        return failures > 0 ? 1 : 0;
    }
}
