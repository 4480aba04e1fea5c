// An 8-bit image in a managed array, pinned for as long as the object lives
// so that the library can read or write it in place, and described by Image
// for the talmeq calls. Dispose it (using) to unpin.
using System;
using System.Runtime.InteropServices;

namespace Talmeq
{
    public sealed class PinnedImage : IDisposable
    {
        public readonly byte[] Pixels;  // packed rows: Width * Channels bytes each
        public TalmeqImage Image;
        GCHandle pin;

        public PinnedImage(int width, int height, int channels)
            : this(new byte[width * height * channels], width, height, channels) { }

        public PinnedImage(byte[] pixels, int width, int height, int channels)
        {
            if (pixels.Length < width * height * channels)
                throw new ArgumentException("the array is smaller than the image", "pixels");
            Pixels = pixels;
            pin = GCHandle.Alloc(pixels, GCHandleType.Pinned);
            Image = new TalmeqImage { Data = pin.AddrOfPinnedObject(), Width = width, Height = height,
                                      Stride = width * channels, Channels = channels };
        }

        public void Dispose()
        {
            if (pin.IsAllocated) pin.Free();
            GC.SuppressFinalize(this);
        }

        // An image never disposed is unpinned when collected.
        ~PinnedImage()
        {
            if (pin.IsAllocated) pin.Free();
        }
    }
}
