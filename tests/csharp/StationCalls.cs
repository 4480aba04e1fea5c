// The station layer's calls of the C# host (bindings/csharp/TalmeqStation.cs):
// the structs as large as the C ones, the camera calibrated from the
// dataset's chessboard views with the point counts asked for first, a
// characterization with a failed row, and the height offset's correction
// refusing a NaN and correcting a whole calibration, each list of the
// results read from the library's arrays and released.
using System;
using System.IO;
using System.Runtime.InteropServices;
using Talmeq;
using S = Talmeq.TalmeqStationNative;

static class StationCalls
{
    public static void Run(string data, string work, Action<bool, string> check)
    {
        check(Marshal.SizeOf<TalmeqCalibrationReport>() == 744 && Marshal.SizeOf<TalmeqViewQuality>() == 64 &&
              Marshal.SizeOf<TalmeqStationCharacterization>() == 152 && Marshal.SizeOf<TalmeqBoard>() == 80,
            "the structs have the C layout");
        var board = new TalmeqBoard { Type = S.BoardChessboard, Columns = 17, Rows = 12, Square = 15, Dictionary = "" };
        var views = new TalmeqBoardPoints[12];
        var pins = new GCHandle[12];
        for (int v = 0; v < 12; ++v)
        {
            var pixels = File.ReadAllBytes(Path.Combine(data, "chess", $"view_{v:00}.bgr"));
            using (var image = new PinnedImage(pixels, 1024, 768, 3))
            {
                check(S.talmeq_findBoardPoints(ref image.Image, ref board, null, null, 0, out int count, null, 0) == 0 &&
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
        check(S.talmeq_calibrateCameraFromViews(views, 12, 1024, 768, ref thresholds, out var report) == 0 &&
              report.Accepted == 1 && report.ViewCount == 12 && report.Camera.Matrix[0] > 1000 &&
              S.Item<TalmeqViewQuality>(report.Views, 11).Points == 204 &&
              S.Item<TalmeqVerdictCheck>(report.Checks, 0).Name.Length > 0, "the calibration report");
        S.talmeq_freeCalibrationReport(ref report);
        check(report.Views == IntPtr.Zero, "a freed report is empty");
        foreach (var pin in pins) pin.Free();

        var samples = new TalmeqHeightSample[6];
        for (int i = 0; i < 6; ++i)
            samples[i] = new TalmeqHeightSample { TrueHeight = 5 * (i / 2), Height = 5 * (i / 2), Measured = i < 5 ? 1 : 0 };
        S.talmeq_defaultCharacterizationThresholds(out var limits);
        check(S.talmeq_characterizeStation(samples, 6, ref limits, out var station) == 0 && station.FailedRows == 1 &&
              station.Pass == 0 && station.ResidualCount == 6, "a characterization with a failed row");
        S.talmeq_freeCharacterization(ref station);

        string yml = Path.Combine(work, "hostOffset.yml");
        File.WriteAllText(yml, "%YAML:1.0\n---\nk: 0.5\nb: 0.25\ninitialX: 100.\ninitialY: 50.\nscale: 0.1\n" +
            "dist: 300.\ninitZ: -31.\nfocusD: 0.5\nRoI: [ 50, 40, 200, 30 ]\noffsetX: 0.\noffsetY: 0.\n");
        check(S.talmeq_correctHeightOffset(double.NaN, -30.5, yml, out var refused) == 0 &&
              refused.Status == S.OffsetNotFinite && refused.InitZBefore == -31.0, "a NaN height is refused");
        check(S.talmeq_correctHeightOffset(-10.0, -9.75, yml, out var corrected) == 0 &&
              corrected.Status == S.OffsetCorrected && corrected.InitZAfter == -30.75, "the offset corrected");
    }
}
