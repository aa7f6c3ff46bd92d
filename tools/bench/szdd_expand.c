/* szdd_expand.c - expands SZDD-packed files natively on the host: the floor
 * the copy benchmark measures the engine against (scripts/bench.sh).
 * Usage: szdd_expand OUTDIR FILE... ; each FILE goes to OUTDIR under its
 * name with the trailing '_' replaced by the character kept in the header.
 * Files are read whole; the window starts as blanks at 4096 - 16. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static unsigned char* ReadAll(const char* path, long* size)
{
    FILE* f = fopen(path, "rb");
    if (!f) return NULL;
    fseek(f, 0, SEEK_END);
    *size = ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char* data = malloc(*size > 0 ? *size : 1);
    if (data && fread(data, 1, *size, f) != (size_t)*size) {
        free(data);
        data = NULL;
    }
    fclose(f);
    return data;
}

static int Expand(const char* path, const char* outDir)
{
    static const unsigned char kSignature[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
    long size = 0;
    unsigned char* in = ReadAll(path, &size);
    if (!in || size < 14 || memcmp(in, kSignature, 8) != 0 || in[8] != 'A') {
        fprintf(stderr, "%s: not an SZDD file\n", path);
        free(in);
        return 1;
    }
    unsigned long length = in[10] | (in[11] << 8) | (in[12] << 16) | ((unsigned long)in[13] << 24);
    unsigned char* out = malloc(length ? length : 1);
    unsigned char window[4096];
    memset(window, ' ', sizeof(window));
    unsigned pos = 4096 - 16;
    unsigned long n = 0;
    long i = 14;
    while (i < size && n < length) {
        unsigned flags = in[i++];
        for (int bit = 0; bit < 8 && i < size && n < length; ++bit, flags >>= 1) {
            if (flags & 1) {
                out[n++] = window[pos] = in[i++];
                pos = (pos + 1) & 4095;
            } else {
                if (i + 1 >= size) break;
                unsigned from = in[i] | ((in[i + 1] & 0xF0) << 4);
                unsigned count = (in[i + 1] & 0x0F) + 3;
                i += 2;
                for (unsigned k = 0; k < count && n < length; ++k) {
                    out[n++] = window[pos] = window[(from + k) & 4095];
                    pos = (pos + 1) & 4095;
                }
            }
        }
    }
    const char* name = strrchr(path, '/');
    name = name ? name + 1 : path;
    char target[4096];
    snprintf(target, sizeof(target), "%s/%s", outDir, name);
    size_t len = strlen(target);
    if (len && target[len - 1] == '_' && in[9]) target[len - 1] = (char)in[9];
    FILE* f = fopen(target, "wb");
    int failed = !f || fwrite(out, 1, n, f) != n;
    if (f && fclose(f) != 0) failed = 1;
    free(in);
    free(out);
    if (failed || n != length) fprintf(stderr, "%s: expansion failed\n", path);
    return failed || n != length;
}

int main(int argc, char** argv)
{
    int failures = 0;
    for (int i = 2; i < argc; ++i) failures += Expand(argv[i], argv[1]);
    return failures != 0;
}
