// GameFile: one stream over a plain file, an archive member, or a gzip file
// or member inflated on the fly; readers cannot tell them apart.
//
// A name beginning with "@" is a game file: it is looked up in the game
// folders, then in the file index (ignoring case, also with ".gz" appended),
// and written to the home folder. Other names are ordinary paths.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

struct GameFile;

// The name a data file (a track's files, say) gives for another game file,
// kept inside the game folders: one without "@" is taken as a game file too,
// never as a path of its own ("dirt.png" and "/etc/x" become "@dirt.png" and
// "@/etc/x"), and gf_open refuses ".." in "@" names. A leading "!" (full
// detail, for textures) stays in front.
std::string data_file_name(const std::string &name);

// Opens a stream; modes as fopen ("rb", "wb", ...). Null on failure. Only
// regular files are read: a pipe or a device is never opened, so opening
// never blocks.
GameFile *gf_open(const char *name, const char *mode);

// Closes the stream and frees it; null is ignored.
void gf_close(GameFile *f);

// Next byte 0..255, or -1 at the end.
int gf_getc(GameFile *f);

// Returns one byte to the stream (the next read delivers it first); -1 is
// ignored.
void gf_unget(GameFile *f, int c);

// Reads a line of at most size-1 bytes, newline kept, NUL-terminated; null
// when no byte could be read.
char *gf_gets(GameFile *f, char *buffer, int size);

// Reads up to `length` bytes; returns the number read.
size_t gf_read(GameFile *f, void *buffer, size_t length);

// Writing, as the stdio functions of the same names (plain files only).
int gf_putc(GameFile *f, int c);
int gf_puts(GameFile *f, const char *text);
size_t gf_write(GameFile *f, const void *data, size_t length);
int gf_printf(GameFile *f, const char *format, ...) __attribute__((format(printf, 2, 3)));

// Formatted reading like fscanf: returns the number of conversions assigned,
// or -1 when the input ends before the first conversion or a literal
// character of the format does not match.
int gf_scanf(GameFile *f, const char *format, ...) __attribute__((format(scanf, 2, 3)));

// The most bytes the stream can still deliver: exact for a plain file or an
// archive member, an upper bound for a compressed one (inflation makes at
// most 1032 bytes of one). Readers check a size read from a header against
// it before allocating for it.
size_t gf_remaining(GameFile *f);

// Moves an uncompressed stream to an offset below its limit; 1 on success.
int gf_seek(GameFile *f, long offset);

// Flushes written data to the file.
void gf_flush(GameFile *f);

// Whether a write to the stream has failed since it was opened.
int gf_error(GameFile *f);

// Writing a file whole or not at all: gf_open_new opens "<name>.new" for
// writing; gf_replace closes it and renames it over `name` when every write
// succeeded (1), else leaves the old file as it was (0).
GameFile *gf_open_new(const char *name);
int gf_replace(GameFile *f, const char *name);

// Renames a file; "@" names are in the home folder. 1 on success.
int gf_rename(const char *old_name, const char *new_name);
