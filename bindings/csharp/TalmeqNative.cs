// P/Invoke declarations of the talmeq C interface (talmeqC.h) for .NET
// hosts: copy this file into the host. The library file is talmeqC.dll on
// Windows and libtalmeqC.so elsewhere; both are found by the name "talmeqC".
//
// Images: pin the pixel array for the duration of the call (GCHandle with
// GCHandleType.Pinned, or fixed) and describe it with TalmeqImage. Paths and
// texts cross as UTF-8 both ways, as the library takes them. Results are the
// library's codes, or TalmeqNative.Exception / InvalidArgument with the text
// from TalmeqNative.LastError().
using System;
using System.Runtime.InteropServices;

namespace Talmeq
{
    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqImage
    {
        public IntPtr Data;    // first byte of the top row
        public int Width;
        public int Height;
        public int Stride;     // bytes from one row to the next
        public int Channels;   // 1 grey, 3 blue-green-red
        public int LibraryOwned;  // 1 in an output whose pixels the library allocated (talmeq_free)
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqPoint
    {
        public int X;
        public int Y;
    }

    // One board marker: its id and four corners clockwise from its top-left.
    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqMarker
    {
        public int Id;
        public float X0, Y0, X1, Y1, X2, Y2, X3, Y3;
    }

    // Camera matrix row by row (fx 0 cx / 0 fy cy / 0 0 1) and k1 k2 p1 p2 k3.
    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqCamera
    {
        [MarshalAs(UnmanagedType.ByValArray, SizeConst = 9)] public double[] Matrix;
        [MarshalAs(UnmanagedType.ByValArray, SizeConst = 5)] public double[] Distortion;
    }

    // The precision layer's results (talmeqC.h): positions in pixels with
    // each pixel's centre at integer coordinates, NaN where not known;
    // statuses as the TalmeqNative constants.
    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqPoint2d
    {
        public double X;
        public double Y;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqRect
    {
        public int X, Y, Width, Height;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqSpotReading
    {
        public int Status;   // Spot*
        public int Method;   // Method*
        public TalmeqPoint2d Centre;
        [MarshalAs(UnmanagedType.ByValArray, SizeConst = 4)] public double[] Covariance;  // row by row, pixels squared
        public double Uncertainty, Peak, Background, SigmaX, SigmaY, SaturatedFraction, RunnerUp;
        public TalmeqPoint2d RunnerUpCentre;
        public int Candidates;
        public int DetectorResult;  // talmeq_getSpotCoord's result and spot for the same image
        public TalmeqPoint DetectorSpot;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqHeightModel
    {
        public double K, B;
        public TalmeqPoint2d Reference;
        public double AverageError;
        public int Status;  // Model*
        public TalmeqRect Window;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqHeightReading
    {
        public TalmeqSpotReading Spot;
        public double Height, AxisZ, HeightUncertainty;
        public int Status;  // Height*
        public TalmeqRect Window;
    }

    public static class TalmeqNative
    {
        const string Library = "talmeqC";
        const CallingConvention Cdecl = CallingConvention.Cdecl;

        public const int Exception = -1000;        // a C++ exception inside the library
        public const int InvalidArgument = -1001;  // a malformed call

        public const int SpotFound = 0, SpotSaturated = 1, SpotTooDim = 2, SpotAmbiguous = 3, SpotNoSpot = 4;
        public const int MethodNone = 0, MethodGaussianFit = 1, MethodHalfMaxCentroid = 2;
        public const int ModelWritten = 0, ModelPoorFit = 1, ModelNoSettings = 2, ModelNotWritten = 3;
        public const int HeightMeasured = 0, HeightOutOfRange = 1, HeightNoSpot = 2, HeightNoCalibration = 3,
            HeightWindowOutside = 4;

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_getSpotCoord(ref TalmeqImage image, out TalmeqPoint coord);

        // An unwritable file still gives 0 or -1, and -1 (a poor fit) has already
        // replaced the file, a working calibration too; calls on one file must
        // take turns. TalmeqStationNative.talmeq_fitHeightModelWith reports
        // ModelNotWritten and keeps a whole calibration (ModelKept).
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_getCalibrationParamByLinear(double[] heights, int heightCount,
            TalmeqPoint[] coords, int coordCount, [MarshalAs(UnmanagedType.LPUTF8Str)] string ymlPath);

        // The shift is not checked: NaN or infinity is written into initZ with 0;
        // a file of other keys is replaced by the eleven calibration keys with 0;
        // an unwritable file gives 0; no lock is taken. TalmeqStationNative.
        // talmeq_correctHeightOffset says which by its status, under the lock.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_correctYml(double fromZ, double toZ,
            [MarshalAs(UnmanagedType.LPUTF8Str)] string ymlPath);

        // height and axisZ keep their values unless the result is 0 or -3. A
        // single faint candidate counts as a spot at pixel (0, 0): a made-up
        // height with -3, or with 0 when in range; talmeq_readHeight says
        // HeightNoSpot.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_getPlaneHeightByLinear(ref TalmeqImage image,
            [MarshalAs(UnmanagedType.LPUTF8Str)] string ymlPath, ref double height, ref double axisZ);

        // Not bounded in time: without a board it searches from tens of seconds
        // to minutes and cannot be stopped; ask TalmeqStationNative.
        // talmeq_chessboardMayBeThere first.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_calibChess(ref TalmeqImage image, out TalmeqCamera camera);

        // count receives the number found; capacity 0 (markers null) only
        // counts; more than a non-zero capacity gives InvalidArgument.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_getArucoCorners(ref TalmeqImage image, [Out] TalmeqMarker[] markers,
            int capacity, out int count);

        // The markers of all views one after the other, markerCounts[v] of view v.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_calibAruco(TalmeqMarker[] markers, int[] markerCounts, int viewCount,
            int imageWidth, int imageHeight, out TalmeqCamera camera);

        // corrected: Data = IntPtr.Zero lets the library allocate the pixels
        // (release them with talmeq_free); otherwise a pinned buffer of the
        // output's exact description. undistAruco takes the output size from
        // corrected.Width and corrected.Height. Both corrections give 0 and a
        // black image for a camera matrix of zeros, NaN or infinities (and take
        // any thickness); TalmeqStationNative.talmeq_undistort and
        // talmeq_correctForThickness refuse them, naming the argument.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_undistAruco(ref TalmeqImage image, double[] cameraMatrix,
            double[] distCoeffs, int distCount, ref TalmeqImage corrected);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_getCorrectImgByThickness(ref TalmeqImage image, double[] cameraMatrix,
            double[] distCoeffs, int distCount, double thickness, ref TalmeqImage corrected);

        // The precision layer: 0 and a reading, or Exception / InvalidArgument.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_readSpot(ref TalmeqImage image, out TalmeqSpotReading reading);

        // errors: room for count values, or null.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_fitHeightModel(double[] heights, TalmeqPoint2d[] centres, int count,
            [MarshalAs(UnmanagedType.LPUTF8Str)] string ymlPath, out TalmeqHeightModel model, [Out] double[] errors);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_readHeight(ref TalmeqImage image,
            [MarshalAs(UnmanagedType.LPUTF8Str)] string ymlPath, out TalmeqHeightReading reading);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern void talmeq_free(IntPtr data);

        // The text stays the library's: returned as a pointer, so the
        // marshaller does not try to free it.
        [DllImport(Library, CallingConvention = Cdecl, EntryPoint = "talmeq_last_error")]
        static extern IntPtr LastErrorText();

        public static string LastError()
        {
            return Marshal.PtrToStringUTF8(LastErrorText());
        }
    }
}
