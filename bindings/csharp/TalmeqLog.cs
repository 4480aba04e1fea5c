// The library's log under a .NET host's control (talmeqC.h): the level of
// each stream, a callback that receives every entry once, the folder of the
// log file, and the number of entries that could not be written. Texts cross
// as UTF-8.
using System;
using System.Runtime.InteropServices;

namespace Talmeq
{
    public static class TalmeqLog
    {
        const string Library = "talmeqC";
        const CallingConvention Cdecl = CallingConvention.Cdecl;

        public const int Print = 0, File = 1;           // the streams
        public const int Info = 0, Error = 1, Off = 2;  // the levels

        [UnmanagedFunctionPointer(CallingConvention.Cdecl)]
        delegate void NativeCallback(int level, IntPtr text, IntPtr context);

        [DllImport(Library, CallingConvention = Cdecl, EntryPoint = "talmeq_setLogLevel")]
        public static extern int SetLevel(int stream, int level);

        [DllImport(Library, CallingConvention = Cdecl, EntryPoint = "talmeq_setLogCallback")]
        static extern int SetNativeCallback(NativeCallback callback, IntPtr context, int minimum);

        [DllImport(Library, CallingConvention = Cdecl, EntryPoint = "talmeq_setLogFolder")]
        public static extern int SetFolder([MarshalAs(UnmanagedType.LPUTF8Str)] string folder);

        [DllImport(Library, CallingConvention = Cdecl, EntryPoint = "talmeq_logFailedWrites")]
        public static extern ulong FailedWrites();

        // The delegate the library calls, kept here so that the collector
        // cannot take it while the library holds its pointer.
        static NativeCallback installed;

        // Sends every entry at minimum and above to handler(level, text), on
        // the thread that logs; null removes it. An exception of the handler
        // is dropped here: no exception may cross into the library.
        public static int SetCallback(Action<int, string> handler, int minimum = Info)
        {
            NativeCallback callback = null;
            if (handler != null)
                callback = (level, text, context) =>
                {
                    try { handler(level, Marshal.PtrToStringUTF8(text)); }
                    catch (Exception) { }
                };
            NativeCallback previous = installed;
            int code = SetNativeCallback(callback, IntPtr.Zero, minimum);
            if (code == 0) installed = callback;
            GC.KeepAlive(previous);  // until the library has let it go
            return code;
        }
    }
}
