// The C# host of the binding tests: the scenario of tests/c/bindingReference.cpp
// through the P/Invoke declarations of bindings/csharp on pinned frames, run
// by two threads at once, each with its own calibration file; both must give
// the C++ reference's transcript and images byte for byte. Meanwhile the
// main thread makes calls fail, whose error text must stay its own, and asks
// for the markers with room for one. Exits 1 when a check fails.
//   mono bindingHost.exe DATA_DIR REFERENCE_DIR
using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Runtime.InteropServices;
using System.Text;
using System.Threading;
using Talmeq;
using N = Talmeq.TalmeqNative;

static class BindingHost
{
    static string data;
    static int failures;

    // The pixels the reference wrote beside a PNG of the dataset: the
    // height frames are 1280 x 1024, the camera views 1024 x 768.
    static PinnedImage Read(string folder, string name)
    {
        byte[] pixels = File.ReadAllBytes(Path.Combine(data, folder, name + ".bgr"));
        return folder == "height" ? new PinnedImage(pixels, 1280, 1024, 3) : new PinnedImage(pixels, 1024, 768, 3);
    }

    static PinnedImage Frame(string folder, string prefix, int index)
    {
        return Read(folder, string.Format("{0}_{1:00}", prefix, index));
    }

    // One transcript line: integers as they are, floating-point values as
    // the hex digits of their bits, arrays item by item.
    static void Line(StringBuilder transcript, string step, params object[] items)
    {
        transcript.Append(step);
        foreach (object item in items.SelectMany(i => i is Array ? ((Array)i).Cast<object>() : new[] { i }))
            transcript.Append(" " + (item is int ? item.ToString()
                                                 : BitConverter.DoubleToInt64Bits(Convert.ToDouble(item)).ToString("x16")));
        transcript.Append("\n");
    }

    static double[] Values(int code, TalmeqCamera camera)
    {
        return code == 0 ? camera.Matrix.Concat(camera.Distortion).ToArray() : new double[0];
    }

    static void Check(bool condition, string what)
    {
        if (condition) return;
        Console.Error.WriteLine("FAILED: " + what + " (last error: " + N.LastError() + ")");
        Interlocked.Increment(ref failures);
    }

    // The scenario with its own calibration file: the transcript, the
    // undistorted image (into a pinned buffer of its own) and the thickness
    // correction (into one the library allocates).
    static byte[][] Scenario(string yml)
    {
        var t = new StringBuilder();
        var coords = new TalmeqPoint[7];
        for (int i = 0; i < 7; ++i)
            using (var calib = Frame("height", "calib", i))
                Line(t, "spot", i, N.talmeq_getSpotCoord(ref calib.Image, out coords[i]), coords[i].X, coords[i].Y);
        var heights = new[] { 0.0, 5.0, 10.0, 15.0, 20.0, 25.0, 30.0 };
        Line(t, "calibrate", N.talmeq_getCalibrationParamByLinear(heights, 7, coords, 7, yml));
        Line(t, "correct", N.talmeq_correctYml(-10.0, -9.75, yml));
        for (int i = 0; i < 20; ++i)
            using (var measure = Frame("height", "measure", i))
            {
                double height = 0.0, axisZ = 0.0;
                int code = N.talmeq_getPlaneHeightByLinear(ref measure.Image, yml, ref height, ref axisZ);
                Line(t, "measure", i, code, height, axisZ);
            }
        TalmeqCamera camera;
        using (var chess = Read("chess", "chess"))
        {
            int code = N.talmeq_calibChess(ref chess.Image, out camera);
            Line(t, "chess", code, Values(code, camera));
        }
        var allMarkers = new List<TalmeqMarker>();
        var counts = new List<int>();
        for (int v = 0; v < 8; ++v)
            using (var view = Frame("aruco", "view", v))
            {
                var markers = new TalmeqMarker[64];
                int count, code = N.talmeq_getArucoCorners(ref view.Image, markers, markers.Length, out count);
                Line(t, "markers", v, code, count, markers.Take(count).SelectMany(m => new object[] {
                    m.Id, m.X0, m.Y0, m.X1, m.Y1, m.X2, m.Y2, m.X3, m.Y3 }).ToArray());
                if (code != 0) continue;
                allMarkers.AddRange(markers.Take(count));
                counts.Add(count);
            }
        int calibrated = N.talmeq_calibAruco(allMarkers.ToArray(), counts.ToArray(), counts.Count, 1024, 768, out camera);
        Line(t, "aruco", calibrated, Values(calibrated, camera));
        using (var view = Frame("aruco", "view", 0))
        using (var undistorted = new PinnedImage(800, 600, 3))
        {
            var thick = new TalmeqImage();
            double[] matrix = camera.Matrix, distortion = camera.Distortion;
            Line(t, "undistort", N.talmeq_undistAruco(ref view.Image, matrix, distortion, 5, ref undistorted.Image));
            Line(t, "thickness", N.talmeq_getCorrectImgByThickness(ref view.Image, matrix, distortion, 5, 19.0, ref thick));
            var corrected = new byte[thick.Stride * thick.Height];
            Marshal.Copy(thick.Data, corrected, 0, corrected.Length);
            N.talmeq_free(thick.Data);
            return new[] { Encoding.ASCII.GetBytes(t.ToString()), undistorted.Pixels, corrected };
        }
    }

    static int Main(string[] args)
    {
        data = args[0];
        var names = new[] { "transcript.txt", "undistorted.raw", "thickness.raw" };
        var expected = names.Select(name => File.ReadAllBytes(Path.Combine(args[1], name))).ToArray();
        var runs = Enumerable.Range(0, 2).Select(run => new Thread(() => {
            string yml = "calibration" + run + ".yml";
            File.Copy(Path.Combine(data, "height", "calibration.yml"), yml, true);
            byte[][] results = Scenario(yml);
            for (int i = 0; i < names.Length; ++i)
            {
                File.WriteAllBytes(run + "-" + names[i], results[i]);
                Check(results[i].SequenceEqual(expected[i]), "thread " + run + ": " + names[i] + " as the C++ reference's");
            }
        })).ToList();
        runs.ForEach(run => run.Start());
        using (var view = Frame("aruco", "view", 0))
        {
            var matrix = new[] { 1000.0, 0.0, 512.0, 0.0, 1000.0, 384.0, 0.0, 0.0, 1.0 };
            for (int round = 0; round < 50 || runs.Any(run => run.IsAlive); ++round)
            {
                var target = new TalmeqImage { Width = 800, Height = 600 };
                Check(N.talmeq_undistAruco(ref view.Image, matrix, new double[3], 3, ref target) == N.Exception &&
                      N.LastError().Contains("OpenCV"), "three coefficients raise OpenCV's error, told on this thread");
            }
            int needed;
            Check(N.talmeq_getArucoCorners(ref view.Image, new TalmeqMarker[1], 1, out needed) == N.InvalidArgument &&
                  needed > 1, "a buffer for one marker tells the room needed");
        }
        runs.ForEach(run => run.Join());
        if (failures > 0) Console.Error.WriteLine(failures + " checks failed");
        return failures > 0 ? 1 : 0;
    }
}
