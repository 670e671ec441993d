// Writing gzip data (the form game files may be stored in).
#pragma once

#include <string>

// The bytes as a gzip file: no time stamp (so equal input gives equal
// output), the original file name in the header when one is given.
std::string gzip_compress(const std::string &bytes, const std::string &name = "");
