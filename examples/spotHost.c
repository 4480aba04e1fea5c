/* A C host of the talmeq C interface: describes a camera frame held in its
 * own memory, a binary PPM read from a file here, and finds the laser spot
 * in it without copying the pixels.
 *
 * Usage: spotHost FRAME.ppm */
#include <stdio.h>
#include <stdlib.h>
#include <talmeq/talmeqC.h>

int main(int argc, char** argv) {
  if (argc != 2) return fprintf(stderr, "usage: spotHost FRAME.ppm\n"), 2;
  FILE* file = fopen(argv[1], "rb");
  int width = 0, height = 0, maxValue = 0;
  if (!file || fscanf(file, "P6 %d %d %d", &width, &height, &maxValue) != 3 || maxValue != 255 || fgetc(file) == EOF) {
    fprintf(stderr, "spotHost: %s is not an 8-bit binary PPM\n", argv[1]);
    return 2;
  }
  /* The library takes blue, green, red: the PPM's red and blue swap. */
  const size_t bytes = (size_t)width * (size_t)height * 3;
  unsigned char* pixels = malloc(bytes);
  if (!pixels || fread(pixels, 1, bytes, file) != bytes) return fprintf(stderr, "spotHost: short file\n"), 2;
  fclose(file);
  for (size_t i = 0; i < bytes; i += 3) {
    const unsigned char red = pixels[i];
    pixels[i] = pixels[i + 2];
    pixels[i + 2] = red;
  }

  const talmeq_image frame = {pixels, width, height, width * 3, 3};
  talmeq_point spot;
  const int code = talmeq_getSpotCoord(&frame, &spot);
  if (code == TALMEQ_EXCEPTION || code == TALMEQ_INVALID_ARGUMENT)
    fprintf(stderr, "spotHost: %s\n", talmeq_last_error());
  else
    printf("spotHost: result %d, spot at (%d, %d)\n", code, spot.x, spot.y);
  free(pixels);
  return code == 0 ? 0 : 1;
}
