// The C# host of the binding tests: the scenario of tests/c/bindingReference.cpp
// through the P/Invoke declarations of bindings/csharp on pinned frames,
// undistorting into a pinned buffer of its own and correcting the thickness
// into one the library allocates, in the working folder; its transcript and
// images must equal the C++ reference's byte for byte. Then a marker buffer
// too small, and two threads at once: one finding spots, which must match
// the scenario's, one making calls fail, whose error text must stay its own.
// Exits 1 when a check fails.
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
    static StreamWriter transcript;
    static int failures;

    // A binary PPM of the dataset as packed blue-green-red rows.
    static PinnedImage Read(string path)
    {
        byte[] file = File.ReadAllBytes(path);
        string[] header = Encoding.ASCII.GetString(file, 0, 32)
                                  .Split((char[])null, 4, StringSplitOptions.RemoveEmptyEntries);
        var image = new PinnedImage(int.Parse(header[1]), int.Parse(header[2]), 3);
        for (int i = 0, start = file.Length - image.Pixels.Length; i < image.Pixels.Length; ++i)
            image.Pixels[i] = file[start + i - 2 * (i % 3) + 2];  // byte k of a pixel from byte 2 - k
        return image;
    }

    // One transcript line: integers as they are, floating-point values as
    // the hex digits of their bits, arrays item by item.
    static void Line(string step, params object[] items)
    {
        var line = new StringBuilder(step);
        foreach (object item in items.SelectMany(i => i is Array ? ((Array)i).Cast<object>() : new[] { i }))
            line.Append(" " + (item is int ? item.ToString()
                                           : BitConverter.DoubleToInt64Bits(Convert.ToDouble(item)).ToString("x16")));
        transcript.WriteLine(line);
    }

    static void CameraLine(string step, int code, TalmeqCamera camera)
    {
        Line(step, code, code == 0 ? camera.Matrix.Concat(camera.Distortion).ToArray() : new double[0]);
    }

    static void Check(bool condition, string what)
    {
        if (condition) return;
        Console.Error.WriteLine("FAILED: " + what + " (last error: " + N.LastError() + ")");
        ++failures;
    }

    static int Main(string[] args)
    {
        string data = args[0], reference = args[1], yml = "calibration.yml";
        File.Copy(Path.Combine(data, "height", yml), yml, true);
        Func<string, string, int, PinnedImage> frame = (folder, prefix, i) =>
            Read(Path.Combine(data, folder, string.Format("{0}_{1:00}.ppm", prefix, i)));
        transcript = new StreamWriter("transcript.txt") { NewLine = "\n" };
        var coords = new TalmeqPoint[7];
        var calib = Enumerable.Range(0, 7).Select(i => frame("height", "calib", i)).ToArray();
        for (int i = 0; i < 7; ++i)
            Line("spot", i, N.talmeq_getSpotCoord(ref calib[i].Image, out coords[i]), coords[i].X, coords[i].Y);
        var heights = new[] { 0.0, 5.0, 10.0, 15.0, 20.0, 25.0, 30.0 };
        Line("calibrate", N.talmeq_getCalibrationParamByLinear(heights, 7, coords, 7, yml));
        Line("correct", N.talmeq_correctYml(-10.0, -9.75, yml));
        for (int i = 0; i < 20; ++i)
            using (var measure = frame("height", "measure", i))
            {
                double height = 0.0, axisZ = 0.0;
                int code = N.talmeq_getPlaneHeightByLinear(ref measure.Image, yml, ref height, ref axisZ);
                Line("measure", i, code, height, axisZ);
            }
        TalmeqCamera camera;
        using (var chess = Read(Path.Combine(data, "chess", "chess.ppm")))
            CameraLine("chess", N.talmeq_calibChess(ref chess.Image, out camera), camera);
        var allMarkers = new List<TalmeqMarker>();
        var counts = new List<int>();
        for (int v = 0; v < 8; ++v)
            using (var view = frame("aruco", "view", v))
            {
                var markers = new TalmeqMarker[64];
                int count, code = N.talmeq_getArucoCorners(ref view.Image, markers, markers.Length, out count);
                Line("markers", v, code, count, markers.Take(count).SelectMany(m => new object[] {
                    m.Id, m.X0, m.Y0, m.X1, m.Y1, m.X2, m.Y2, m.X3, m.Y3 }).ToArray());
                if (code != 0) continue;
                allMarkers.AddRange(markers.Take(count));
                counts.Add(count);
            }
        int calibrated = N.talmeq_calibAruco(allMarkers.ToArray(), counts.ToArray(), counts.Count, 1024, 768, out camera);
        CameraLine("aruco", calibrated, camera);

        using (var view = frame("aruco", "view", 0))
        using (var undistorted = new PinnedImage(800, 600, 3))
        {
            var thick = new TalmeqImage();
            double[] matrix = camera.Matrix, distortion = camera.Distortion;
            Line("undistort", N.talmeq_undistAruco(ref view.Image, matrix, distortion, 5, ref undistorted.Image));
            Line("thickness", N.talmeq_getCorrectImgByThickness(ref view.Image, matrix, distortion, 5, 19.0, ref thick));
            transcript.Close();
            File.WriteAllBytes("undistorted.raw", undistorted.Pixels);
            var pixels = new byte[thick.Stride * thick.Height];
            Marshal.Copy(thick.Data, pixels, 0, pixels.Length);
            File.WriteAllBytes("thickness.raw", pixels);
            N.talmeq_free(thick.Data);
            foreach (string name in new[] { "transcript.txt", "undistorted.raw", "thickness.raw" })
                Check(File.ReadAllBytes(name).SequenceEqual(File.ReadAllBytes(Path.Combine(reference, name))),
                      name + " equals the C++ reference's");
            int needed;
            Check(N.talmeq_getArucoCorners(ref view.Image, new TalmeqMarker[1], 1, out needed) == N.InvalidArgument &&
                  needed == counts[0], "a buffer for one marker tells the room needed");

            var spotter = new Thread(() => {
                for (int i = 0; i < 21; ++i)
                {
                    TalmeqPoint spot;
                    int code = N.talmeq_getSpotCoord(ref calib[i % 7].Image, out spot);
                    Check(code == 0 && spot.X == coords[i % 7].X && spot.Y == coords[i % 7].Y,
                          "the spot of a frame in a thread");
                    Check(N.LastError() == "", "a call that returns leaves no error text");
                }
            });
            spotter.Start();
            for (int round = 0; round < 50 || spotter.IsAlive; ++round)
            {
                var target = new TalmeqImage { Width = 800, Height = 600 };
                Check(N.talmeq_undistAruco(ref view.Image, matrix, distortion, 3, ref target) == N.Exception &&
                      N.LastError().Contains("OpenCV"), "three coefficients raise OpenCV's error");
            }
            spotter.Join();
        }
        if (failures > 0) Console.Error.WriteLine(failures + " checks failed");
        return failures > 0 ? 1 : 0;
    }
}
