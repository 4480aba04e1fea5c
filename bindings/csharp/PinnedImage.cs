// An 8-bit image in a managed array, pinned for as long as the object lives
// so that the library can read or write it in place, and described by Image
// for the talmeq calls. Dispose it (using) to unpin; a disposed image
// describes no pixels.
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
            : this(new byte[Bytes(width, height, channels)], width, height, channels) { }

        public PinnedImage(byte[] pixels, int width, int height, int channels)
        {
            if (pixels == null) throw new ArgumentNullException("pixels");
            if (pixels.LongLength < Bytes(width, height, channels))
                throw new ArgumentException("the array is smaller than the image", "pixels");
            Pixels = pixels;
            pin = GCHandle.Alloc(pixels, GCHandleType.Pinned);
            Image = new TalmeqImage { Data = pin.AddrOfPinnedObject(), Width = width, Height = height,
                                      Stride = width * channels, Channels = channels };
        }

        // The bytes of the image, counted in 64 bits so that no product
        // wraps; negative sizes and rows longer than an int are refused.
        static long Bytes(int width, int height, int channels)
        {
            if (width < 0 || height < 0 || channels < 1 || channels > 4)
                throw new ArgumentOutOfRangeException("width, height or channels",
                    width + " x " + height + " x " + channels + " is no image");
            long row = (long)width * channels;
            if (row > int.MaxValue)
                throw new ArgumentOutOfRangeException("width", "a row of " + row + " bytes is too long");
            return row * height;
        }

        public void Dispose()
        {
            Release();
            GC.SuppressFinalize(this);
        }

        // An image never disposed is unpinned when collected.
        ~PinnedImage()
        {
            Release();
        }

        void Release()
        {
            if (pin.IsAllocated) pin.Free();
            Image = new TalmeqImage();
        }
    }
}
