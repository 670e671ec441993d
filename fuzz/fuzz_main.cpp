// The libFuzzer entry points of one target executable: it is linked with
// exactly one target file.
#include "fuzz_target.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (fuzz_targets().size() != 1) {
        fprintf(stderr, "fuzz: a fuzzer is built from exactly one target file\n");
        abort();
    }
    fuzz_folders();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz_targets()[0].function(data, size);
    return 0;
}
