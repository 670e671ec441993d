// The text scanner: formatted reading of every conversion the readers use
// from arbitrary text.
#include "fuzz_target.h"

#include "files/game_file.h"

FUZZ_TARGET(scanner)
{
    GameFile *f = fuzz_open("scan.txt", data, size);
    if (!f)
        return;
    int i;
    short h;
    long l;
    long long ll;
    unsigned u;
    float x, y, z;
    double d;
    char word[81], line[1024], c;
    for (int k = 0; k < 4000; ++k) {
        int got;
        switch (k % 8) {
        case 0:
            got = gf_scanf(f, " [ %f %f %f ] %d ", &x, &y, &z, &i);
            break;
        case 1:
            got = gf_scanf(f, "%hd %ld %lld %u", &h, &l, &ll, &u);
            break;
        case 2:
            got = gf_scanf(f, "%x %o %i", &u, &u, &i);
            break;
        case 3:
            got = gf_scanf(f, " %80s ", word);
            break;
        case 4:
            got = gf_scanf(f, "%lf%c", &d, &c);
            break;
        case 5:
            got = gf_scanf(f, "%3d%2s%n", &i, word, &i);
            break;
        case 6:
            got = gf_scanf(f, " %[^\n]", line);
            break;
        default:
            got = gf_scanf(f, "%*d %f %*s %f", &x, &y);
            break;
        }
        if (got < 0 && gf_getc(f) < 0)
            break;
    }
    gf_close(f);
}
