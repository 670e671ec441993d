// Writing generated files: plain bytes, gzip-compressed bytes, and folders.
#pragma once

#include <string>

// The folder all generated files go into.
extern std::string output_root;

// Writes a file under the output root, creating its folders; exits with a
// message when it cannot.
void write_output(const std::string &name, const std::string &bytes);

// Writes `name` + ".gz" holding the bytes gzip-compressed (no time stamp, so
// the bytes are the same on every run).
void write_output_gz(const std::string &name, const std::string &bytes);
