// Gzip streams: a game file stored compressed, inflated while read in
// every way a reader reads (bytes, lines, blocks, formatted, push-back).
#include "fuzz_target.h"

#include "files/game_file.h"

FUZZ_TARGET(gzip)
{
    fuzz_write("stream.txt.gz", data, size);
    for (int pass = 0; pass < 2; ++pass) {
        GameFile *f = gf_open("@stream.txt", "rb");
        if (!f)
            return;
        char line[256], block[1000];
        int value;
        float number;
        for (int k = 0; k < 10000; ++k) {
            bool more = false;
            switch ((k + pass) % 4) {
            case 0:
                more = gf_getc(f) >= 0;
                break;
            case 1:
                more = gf_gets(f, line, sizeof line) != nullptr;
                break;
            case 2:
                more = gf_read(f, block, sizeof block) > 0;
                break;
            default:
                more = gf_scanf(f, "%d %f", &value, &number) >= 0;
                break;
            }
            if (!more)
                break;
        }
        gf_close(f);
    }
}
