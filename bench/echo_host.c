/* A minimal Native Messaging host: the peer of the real host in the process
 * benchmarks. It reads one frame at a time from standard input and answers
 * each with the next frame of a file of recorded frames (4-byte little-endian
 * length, then the body, one after another), starting again at the first
 * when the file is used up. It ends when standard input ends.
 *
 * Usage: ferolant_echo_host FRAMES_FILE */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

static int read_all(int fd, unsigned char* buffer, size_t count) {
  while (count > 0) {
    ssize_t n = read(fd, buffer, count);
    if (n <= 0) return 0;
    buffer += n;
    count -= (size_t)n;
  }
  return 1;
}

static int write_all(int fd, const unsigned char* data, size_t count) {
  while (count > 0) {
    ssize_t n = write(fd, data, count);
    if (n <= 0) return 0;
    data += n;
    count -= (size_t)n;
  }
  return 1;
}

static uint32_t frame_length(const unsigned char* header) {
  return (uint32_t)header[0] | (uint32_t)header[1] << 8 | (uint32_t)header[2] << 16 |
         (uint32_t)header[3] << 24;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s FRAMES_FILE\n", argv[0]);
    return 2;
  }
  int file = open(argv[1], O_RDONLY);
  struct stat info;
  if (file < 0 || fstat(file, &info) != 0 || info.st_size < 4) {
    fprintf(stderr, "%s: cannot use %s\n", argv[0], argv[1]);
    return 2;
  }
  const size_t size = (size_t)info.st_size;
  const unsigned char* frames = mmap(NULL, size, PROT_READ, MAP_PRIVATE, file, 0);
  if (frames == MAP_FAILED) return 2;

  size_t capacity = 1 << 16;
  unsigned char* body = malloc(capacity);
  size_t next = 0;
  unsigned char header[4];
  while (read_all(0, header, 4)) {
    const size_t length = frame_length(header);
    if (length > capacity) {
      capacity = length;
      body = realloc(body, capacity);
      if (!body) return 3;
    }
    if (!read_all(0, body, length)) break;

    if (next + 4 > size) next = 0;
    size_t reply = frame_length(frames + next);
    if (next + 4 + reply > size) return 2;
    if (!write_all(1, frames + next, 4 + reply)) break;
    next += 4 + reply;
  }
  free(body);
  return 0;
}
