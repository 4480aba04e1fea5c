// P/Invoke declarations of the station layer's calls of the talmeq C
// interface (talmeqC.h) that report what the legacy calls report as
// success: board descriptions and their points, the camera calibration from
// many views with its quality report, the station characterization, the
// height offset's correction by status, the height model fit that keeps a
// whole calibration, image corrections that refuse non-cameras and the
// quick chessboard check. Copy it into the host beside TalmeqNative.cs.
//
// Library-owned arrays (a report's views and checks, a characterization's
// lists) are read with the helpers below and released with the matching
// talmeq_free... call. Paths cross as UTF-8.
using System;
using System.Runtime.InteropServices;
using System.Text;

namespace Talmeq
{
    // A calibration board as a board description file gives it.
    [StructLayout(LayoutKind.Sequential, CharSet = CharSet.Ansi)]
    public struct TalmeqBoard
    {
        public int Type;  // TalmeqStationNative.Board*
        public int Columns, Rows;
        public double Square, Marker, Separation;  // board units
        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 32)] public string Dictionary;  // "DICT_6X6_250"
        public int FirstId;
    }

    // The board points of one view: pinned arrays, or IntPtr.Zero with Count 0 when not found.
    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqBoardPoints
    {
        public IntPtr ImagePoints;  // TalmeqPoint2d[Count], pixels
        public IntPtr BoardPoints;  // TalmeqPoint2d[Count], board units
        public int Count;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqCameraParameters
    {
        public double Fx, Fy, Cx, Cy, K1, K2, P1, P2, K3;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqCalibrationThresholds
    {
        public double MaxRelativeUncertainty, MaxRms, MinCoverageScore, MinTilt, OutlierFactor, MinOutlierRms,
            MaxCrossValidation;
        public int MinViews, MaxViews, MinTiltedViews, Reserved;
    }

    [StructLayout(LayoutKind.Sequential, CharSet = CharSet.Ansi)]
    public struct TalmeqVerdictCheck
    {
        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 32)] public string Name;
        [MarshalAs(UnmanagedType.ByValTStr, SizeConst = 128)] public string Rule;
        public double Threshold, Value;  // Value NaN when not evaluated
        public int Passed, Evaluated;    // Evaluated 0: the data could not give the figure
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqViewQuality
    {
        public double Rms, Tilt;
        public IntPtr Found2d, Projected;  // TalmeqPoint2d[Points], inside the report
        public int Found, Used, Points, Repeats;
        [MarshalAs(UnmanagedType.ByValArray, SizeConst = 3)] public int[] WorstPoints;
        public int WorstCount;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqCalibrationReport
    {
        public TalmeqCamera Camera;
        public TalmeqCameraParameters Parameters, Uncertainty;
        public double Rms, CoverageScore, CoveredShare, CrossValidation, Straightness;
        [MarshalAs(UnmanagedType.ByValArray, SizeConst = 100)] public int[] Coverage;  // 10 x 10, row by row
        public int ImageWidth, ImageHeight, UsedViews, Accepted, ViewCount, CheckCount;
        public IntPtr Views, Checks, Points;  // library-owned: talmeq_freeCalibrationReport
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqHeightSample
    {
        public double TrueHeight, Height, Uncertainty, Time;
        public int Measured, Timed;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqCharacterizationThresholds
    {
        public double MaxResidual, MinR2, MaxSlopeError, MaxRepeatability, MaxDrift;
        public int MinRepeats, MaxFailedRows;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqRepeatabilityAt
    {
        public double TrueHeight, Mean, ThreeSigma;
        public int Repeats, Reserved;
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqStationCharacterization
    {
        public double Slope, Intercept, R2, ResidualRms, ResidualMax, UsableLow, UsableHigh, Repeatability,
            PooledRepeatability, PredictedRepeatability, Drift, DriftError;
        public int HasUsableRange, HasDrift, FailedRows, Pass, ResidualCount, RepeatabilityCount, CheckCount, Reserved;
        public IntPtr Residuals, RepeatabilityAt, Checks;  // library-owned: talmeq_freeCharacterization
    }

    [StructLayout(LayoutKind.Sequential)]
    public struct TalmeqOffsetCorrection
    {
        public double InitZBefore, InitZAfter;  // NaN without a calibration
        public int Status, Reserved;            // Offset*
    }

    public static class TalmeqStationNative
    {
        const string Library = "talmeqC";
        const CallingConvention Cdecl = CallingConvention.Cdecl;

        public const int BoardChessboard = 0, BoardArucoGrid = 1, BoardCharuco = 2, BoardNotFound = 1;
        public const int ModelKept = 4;
        public const int OffsetCorrected = 0, OffsetNotCalibration = 1, OffsetNotFinite = 2, OffsetNotWritten = 3;

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_readBoard([MarshalAs(UnmanagedType.LPUTF8Str)] string path,
            out TalmeqBoard board);

        // capacity 0 only counts the points (count); misfit receives UTF-8 text, or null.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_findBoardPoints(ref TalmeqImage image, ref TalmeqBoard board,
            [Out] TalmeqPoint2d[] imagePoints, [Out] TalmeqPoint2d[] boardPoints, int capacity, out int count,
            [Out] byte[] misfit, int misfitCapacity);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern void talmeq_defaultCalibrationThresholds(out TalmeqCalibrationThresholds thresholds);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_calibrateCameraFromViews(TalmeqBoardPoints[] views, int viewCount,
            int imageWidth, int imageHeight, ref TalmeqCalibrationThresholds thresholds,
            out TalmeqCalibrationReport report);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern void talmeq_freeCalibrationReport(ref TalmeqCalibrationReport report);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern void talmeq_defaultCharacterizationThresholds(
            out TalmeqCharacterizationThresholds thresholds);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_characterizeStation(TalmeqHeightSample[] samples, int count,
            ref TalmeqCharacterizationThresholds thresholds, out TalmeqStationCharacterization result);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern void talmeq_freeCharacterization(ref TalmeqStationCharacterization result);

        // correctYml's truthful counterpart: Offset* says what happened; the
        // file is unchanged unless OffsetCorrected. Takes the file's lock.
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_correctHeightOffset(double measured, double truth,
            [MarshalAs(UnmanagedType.LPUTF8Str)] string ymlPath, out TalmeqOffsetCorrection correction);

        // replaceWithPoorFit 0: a poor fit keeps a whole calibration (ModelKept).
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_fitHeightModelWith(double[] heights, TalmeqPoint2d[] centres, int count,
            [MarshalAs(UnmanagedType.LPUTF8Str)] string ymlPath, int replaceWithPoorFit,
            out TalmeqHeightModel model, [Out] double[] errors);

        // undistAruco's and getCorrectImgByThickness's pixels after refusing a
        // non-camera (TalmeqNative.Exception, LastError naming the argument).
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_undistort(ref TalmeqImage image, double[] cameraMatrix,
            double[] distCoeffs, int distCount, ref TalmeqImage corrected);

        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_correctForThickness(ref TalmeqImage image, double[] cameraMatrix,
            double[] distCoeffs, int distCount, double thickness, ref TalmeqImage corrected);

        // mayBeThere 0: no chessboard of columns x rows can be in the image (within a second).
        [DllImport(Library, CallingConvention = Cdecl)]
        public static extern int talmeq_chessboardMayBeThere(ref TalmeqImage image, int columns, int rows,
            out int mayBeThere);

        // Element i of a library-owned array.
        public static T Item<T>(IntPtr array, int i) where T : struct =>
            Marshal.PtrToStructure<T>(array + i * Marshal.SizeOf<T>());

        public static string Text(byte[] utf8)
        {
            int length = Array.IndexOf(utf8, (byte)0);
            return Encoding.UTF8.GetString(utf8, 0, length < 0 ? utf8.Length : length);
        }
    }
}
