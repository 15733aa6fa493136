/* exiffloor.c - the floor of the metadata-only jobs: per file one open, one read of
 * the file's head (64 KiB, more only if the APP1 segment reaches further), a minimal
 * walk of the JPEG markers and of the TIFF structure in the first Exif APP1, nothing else.
 *
 *   exiffloor orient FILE...         prints "<orientation>\t<FILE>" (0 when there is none)
 *   exiffloor thumb OUTDIR FILE...   writes the IFD1 JPEG thumbnail to OUTDIR/<basename>
 *
 * Built by bench/auto.sh (cc -O2). Not a product component: no error reporting beyond the exit
 * code, no support for anything but the first Exif APP1.
 */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define HEAD 65536
static unsigned char buf[HEAD + 65536 + 16];

static unsigned rd16(const unsigned char *p, int le) { return le ? p[0] | p[1] << 8 : p[0] << 8 | p[1]; }
static uint32_t rd32(const unsigned char *p, int le)
{
    return le ? (uint32_t)p[0] | p[1] << 8 | p[2] << 16 | (uint32_t)p[3] << 24
              : (uint32_t)p[0] << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

/* Finds the Exif TIFF block; returns its start in buf and its length, or NULL. */
static const unsigned char *find_tiff(int fd, size_t *tlen)
{
    ssize_t n = read(fd, buf, HEAD);
    if (n < 4 || buf[0] != 0xFF || buf[1] != 0xD8) return NULL;
    size_t have = (size_t)n, p = 2;
    while (p + 4 <= have) {
        if (buf[p] != 0xFF) return NULL;
        unsigned m = buf[p + 1];
        if (m == 0xFF) { p++; continue; }
        if (m == 0xDA || m == 0xD9) return NULL;
        size_t len = rd16(buf + p + 2, 0);
        if (m == 0xE1 && len >= 16 && p + 10 <= have && memcmp(buf + p + 4, "Exif\0\0", 6) == 0) {
            size_t end = p + 2 + len;
            if (end > have) { /* the segment runs past the first read */
                if (end > sizeof buf) return NULL;
                ssize_t k = pread(fd, buf + have, end - have, (off_t)have);
                if (k < 0 || have + (size_t)k < end) return NULL;
            }
            *tlen = len - 8;
            return buf + p + 10;
        }
        p += 2 + len;
    }
    return NULL;
}

/* Looks up tag in the IFD at offset off; returns a pointer to its 12-byte entry. */
static const unsigned char *ifd_find(const unsigned char *t, size_t tlen, int le, uint32_t off,
                                     unsigned tag, uint32_t *next)
{
    if (off + 2 > tlen) return NULL;
    unsigned cnt = rd16(t + off, le);
    if (off + 2 + 12 * (size_t)cnt + 4 > tlen) return NULL;
    const unsigned char *hit = NULL;
    for (unsigned i = 0; i < cnt; i++) {
        const unsigned char *e = t + off + 2 + 12 * i;
        if (rd16(e, le) == tag) hit = e;
    }
    if (next) *next = rd32(t + off + 2 + 12 * cnt, le);
    return hit;
}

int main(int argc, char **argv)
{
    if (argc < 3) { fputs("usage: exiffloor orient FILE... | thumb OUTDIR FILE...\n", stderr); return 2; }
    int thumb = strcmp(argv[1], "thumb") == 0;
    int first = thumb ? 3 : 2, bad = 0;
    char out[4096];
    for (int a = first; a < argc; a++) {
        int fd = open(argv[a], O_RDONLY);
        if (fd < 0) { bad++; continue; }
        size_t tlen = 0;
        const unsigned char *t = find_tiff(fd, &tlen);
        close(fd);
        unsigned orient = 0;
        if (t && tlen >= 8 && (t[0] == 'I' || t[0] == 'M')) {
            int le = t[0] == 'I';
            uint32_t ifd1 = 0;
            const unsigned char *e = ifd_find(t, tlen, le, rd32(t + 4, le), 0x0112, &ifd1);
            if (e) orient = rd16(e + 8, le);
            if (thumb) {
                const unsigned char *eo = ifd1 ? ifd_find(t, tlen, le, ifd1, 0x0201, NULL) : NULL;
                const unsigned char *el = ifd1 ? ifd_find(t, tlen, le, ifd1, 0x0202, NULL) : NULL;
                uint32_t o = eo ? rd32(eo + 8, le) : 0, l = el ? rd32(el + 8, le) : 0;
                if (eo && el && o < tlen && l <= tlen - o) {
                    const char *base = strrchr(argv[a], '/');
                    snprintf(out, sizeof out, "%s/%s", argv[2], base ? base + 1 : argv[a]);
                    FILE *f = fopen(out, "wb");
                    if (!f || fwrite(t + o, 1, l, f) != l) bad++;
                    if (f) fclose(f);
                } else bad++;
            }
        } else bad++;
        if (!thumb) printf("%u\t%s\n", orient, argv[a]);
    }
    return bad ? 1 : 0;
}
