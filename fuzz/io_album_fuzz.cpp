// Album loading, entry parsing, thumbnail decoding and the rewrite over arbitrary file bytes.
#include "base/xmem.h"
#include "io/io_album.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

static char fuzz_dir[64];
static char fuzz_path[96];

static void FuzzCleanup() {
    unlink(fuzz_path);
    rmdir(fuzz_dir);
}

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    // In memory: the rewrite syncs the album, and a disk would be waited for every time.
    snprintf(fuzz_dir, sizeof fuzz_dir, "/dev/shm/dravik-album-fuzz-XXXXXX");
    if (!mkdtemp(fuzz_dir)) {
        snprintf(fuzz_dir, sizeof fuzz_dir, "/tmp/dravik-album-fuzz-XXXXXX");
        if (!mkdtemp(fuzz_dir)) abort();
    }
    snprintf(fuzz_path, sizeof fuzz_path, "%s/f.alb", fuzz_dir);
    atexit(FuzzCleanup);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    FILE *fp = fopen(fuzz_path, "wb");
    if (!fp) return 0;
    fwrite(data, 1, size, fp);
    fclose(fp);
    ALBUMDAT album;
    memset(&album, 0, sizeof album);
    snprintf(album.path, sizeof album.path, "%s", fuzz_path);
    if (IoAlbumLoad(&album, ALBUM_EDGE_DEFAULT) != FILE_SUCCES) return 0;
    int n = album.entries < 4 ? album.entries : 4;
    for (int i = 0; i < n; i++) {
        char text[300];
        for (int f = ALBUM_F_NAME; f < ALBUM_DEF_COUNT; f++)
            IoAlbumEntryField(&album, i, f, text, sizeof text);
        FILEINFO fi;
        IoAlbumEntryImage(&album, i, &fi);
        IoFreeRecord(&fi, "fuzz");
    }
    // Drop every other entry: the rewrite re-lays entries of foreign field widths.
    uint8_t *drop = static_cast<uint8_t *>(calloc(static_cast<size_t>(album.entries) + 1, 1));
    for (int i = 0; drop && i < album.entries; i += 2)
        drop[i] = 1;
    IoAlbumEntrySaveDrop(&album, drop);
    free(drop);
    IoAlbumFree(&album);
    return 0;
}
