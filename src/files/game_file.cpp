// Opening game files, plain and member reads, gzip inflation and writing.
#include "files/game_file_local.h"

#include "files/file_index.h"
#include "files/paths.h"
#include "platform/fatal.h"

#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

bool read_only(const char *mode)
{
    return strchr(mode, 'r') && !strchr(mode, '+');
}

bool equals_ignoring_case(const char *a, const char *b, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
            return false;
    return true;
}

// "@" names stay inside the game folders: a ".." path component would reach
// files outside them.
bool escapes_game_folders(const char *rest)
{
    for (const char *p = rest; *p;) {
        const char *end = p + strcspn(p, "/\\");
        if (end - p == 2 && p[0] == '.' && p[1] == '.')
            return true;
        p = *end ? end + 1 : end;
    }
    return false;
}

GameFile *new_stream(FILE *file, long base, int32_t limit)
{
    GameFile *f = new (std::nothrow) GameFile;
    if (!f)
        out_of_memory();
    memset(f, 0, sizeof *f);
    f->file = file;
    f->base = base;
    f->limit = limit;
    f->pushback = -1;
    return f;
}

// Reads the next block of compressed input, never past the member's end.
size_t read_compressed_input(GameFile *f)
{
    int32_t left = f->compressed_size - f->compressed_read;
    size_t want = left < (int32_t)sizeof f->input ? (size_t)left : sizeof f->input;
    size_t got = want ? fread(f->input, 1, want, f->file) : 0;
    f->compressed_read += (int32_t)got;
    return got;
}

// Parses the gzip header and starts raw inflation; false for a header that is
// not gzip or is cut short.
bool start_inflation(GameFile *f)
{
    f->compressed = true;
    f->compressed_size = f->limit;
    f->limit = INT32_MAX;
    size_t n = read_compressed_input(f);
    const uint8_t *b = f->input;
    if (n < 10 || b[0] != 0x1f || b[1] != 0x8b || b[2] != 8 || b[3] >= 32)
        return false;
    int flags = b[3];
    size_t at = 10;
    if (flags & 4) {
        if (at + 2 > n)
            return false;
        at += 2 + (size_t)(b[at] | b[at + 1] << 8);
        if (at > n)
            return false;
    }
    for (int flag : {8, 16}) {
        if (flags & flag) {
            while (at < n && b[at] != 0)
                ++at;
            if (at >= n)
                return false;
            ++at;
        }
    }
    if (flags & 2) {
        if (at + 2 > n)
            return false;
        at += 2;
    }
    f->inflater.next_in = f->input + at;
    f->inflater.avail_in = (uInt)(n - at);
    if (inflateInit2(&f->inflater, -15) != Z_OK)
        return false;
    f->inflating = true;
    return true;
}

// Fills the output window until it is full or the data ends. Truncated or
// corrupt data ends the stream.
void refill_window(GameFile *f)
{
    if (f->window_cursor == f->window_length && f->window_length == (int)sizeof f->window)
        f->window_cursor = f->window_length = 0;
    while (!f->at_end && f->window_length < (int)sizeof f->window) {
        if (f->inflater.avail_in == 0) {
            size_t got = read_compressed_input(f);
            f->inflater.next_in = f->input;
            f->inflater.avail_in = (uInt)got;
        }
        f->inflater.next_out = f->window + f->window_length;
        f->inflater.avail_out = (uInt)(sizeof f->window - f->window_length);
        int result = inflate(&f->inflater, Z_NO_FLUSH);
        f->window_length = (int)(sizeof f->window - f->inflater.avail_out);
        if (result != Z_OK)
            f->at_end = true; // stream end, corrupt data, or no input left
    }
}

int compressed_getc(GameFile *f)
{
    if (f->window_cursor == f->window_length) {
        refill_window(f);
        if (f->window_cursor == f->window_length)
            return -1;
    }
    return f->window[f->window_cursor++];
}

GameFile *open_compressed(FILE *file, long base, int32_t size)
{
    GameFile *f = new_stream(file, base, size);
    if (!start_inflation(f)) {
        gf_close(f);
        return nullptr;
    }
    return f;
}

// Opens a regular file for reading without ever waiting on it (a FIFO or a
// device would block or never end), its size known.
FILE *open_regular(const std::string &path, int32_t *size)
{
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat s;
    if (fstat(fd, &s) != 0 || !S_ISREG(s.st_mode)) {
        close(fd);
        return nullptr;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE *file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        return nullptr;
    }
    *size = s.st_size < INT32_MAX ? (int32_t)s.st_size : INT32_MAX;
    return file;
}

GameFile *open_plain(const std::string &path, const char *mode)
{
    if (!read_only(mode)) {
        make_parent_dirs(path);
        FILE *file = fopen(path.c_str(), mode);
        return file ? new_stream(file, 0, INT32_MAX) : nullptr;
    }
    int32_t size;
    if (FILE *file = open_regular(path, &size))
        return new_stream(file, 0, size);
    if (path.size() >= 1020)
        return nullptr;
    FILE *file = open_regular(path + ".gz", &size);
    return file ? open_compressed(file, 0, size) : nullptr;
}

GameFile *open_indexed(const char *rest)
{
    size_t len = strlen(rest);
    for (const FileIndexEntry &e : file_index()) {
        const char *name = e.name.c_str();
        size_t name_len = e.name.size();
        bool plain = name_len == len && equals_ignoring_case(name, rest, len);
        bool gzipped =
            name_len == len + 3 && equals_ignoring_case(name, rest, len) && equals_ignoring_case(name + len, ".gz", 3);
        if (!plain && !gzipped)
            continue;
        FILE *file = fopen(e.path.c_str(), "rb");
        if (!file)
            return nullptr;
        if (fseek(file, e.offset, SEEK_SET) != 0) {
            fclose(file);
            return nullptr;
        }
        if (gzipped)
            return open_compressed(file, e.offset, e.size);
        return new_stream(file, e.offset, e.size);
    }
    return nullptr;
}

std::string home_path(const char *name)
{
    std::string path;
    if (name[0] != '@') {
        path = name;
    } else if (const char *home = game_dir(0)) {
        path = std::string(home) + (name + 1);
    }
    if (path.size() > 511)
        path.resize(511);
    return path;
}

} // namespace

size_t gf_remaining(GameFile *f)
{
    size_t pushed = f->pushback >= 0 ? 1 : 0;
    if (!f->compressed)
        return pushed + (size_t)(f->limit - f->position);
    size_t input = (size_t)(f->compressed_size - f->compressed_read) + f->inflater.avail_in;
    return pushed + (size_t)(f->window_length - f->window_cursor) + (f->at_end ? 0 : input * 1032);
}

std::string data_file_name(const std::string &name)
{
    size_t at = !name.empty() && name[0] == '!' ? 1 : 0;
    if (name.size() <= at || name[at] == '@')
        return name;
    return name.substr(0, at) + "@" + name.substr(at);
}

GameFile *gf_open(const char *name, const char *mode)
{
    file_index();
    if (name[0] != '@')
        return open_plain(name, mode);
    const char *rest = name + 1;
    if (escapes_game_folders(rest))
        return nullptr;
    for (int i = 0; const char *dir = game_dir(i); ++i) {
        std::string path = std::string(dir) + rest;
        if (path.size() > 511)
            path.resize(511);
        if (GameFile *f = open_plain(path, mode))
            return f;
    }
    return read_only(mode) ? open_indexed(rest) : nullptr;
}

void gf_close(GameFile *f)
{
    if (!f)
        return;
    if (f->inflating)
        inflateEnd(&f->inflater);
    fclose(f->file);
    delete f;
}

int gf_getc(GameFile *f)
{
    if (f->pushback >= 0) {
        int c = f->pushback;
        f->pushback = -1;
        return c;
    }
    if (f->position >= f->limit)
        return -1;
    int c = f->compressed ? compressed_getc(f) : fgetc(f->file);
    if (c < 0)
        return -1;
    ++f->position;
    return c;
}

void gf_unget(GameFile *f, int c)
{
    if (c >= 0)
        f->pushback = c;
}

char *gf_gets(GameFile *f, char *buffer, int size)
{
    if (size <= 0)
        return nullptr;
    int n = 0;
    while (n < size - 1) {
        int c = gf_getc(f);
        if (c < 0)
            break;
        buffer[n++] = (char)c;
        if (c == '\n')
            break;
    }
    buffer[n] = '\0';
    return n > 0 ? buffer : nullptr;
}

size_t gf_read(GameFile *f, void *buffer, size_t length)
{
    uint8_t *out = (uint8_t *)buffer;
    size_t done = 0;
    if (length > 0 && f->pushback >= 0) {
        out[done++] = (uint8_t)f->pushback;
        f->pushback = -1;
    }
    size_t room = (size_t)(f->limit - f->position);
    size_t want = length - done < room ? length - done : room;
    if (!f->compressed) {
        size_t got = want ? fread(out + done, 1, want, f->file) : 0;
        f->position += (int32_t)got;
        return done + got;
    }
    while (want > 0) {
        if (f->window_cursor == f->window_length) {
            refill_window(f);
            if (f->window_cursor == f->window_length)
                break;
        }
        size_t chunk = (size_t)(f->window_length - f->window_cursor);
        if (chunk > want)
            chunk = want;
        memcpy(out + done, f->window + f->window_cursor, chunk);
        f->window_cursor += (int)chunk;
        f->position += (int32_t)chunk;
        done += chunk;
        want -= chunk;
    }
    return done;
}

int gf_putc(GameFile *f, int c)
{
    return f->compressed ? EOF : fputc(c, f->file);
}

int gf_puts(GameFile *f, const char *text)
{
    return f->compressed ? EOF : fputs(text, f->file);
}

size_t gf_write(GameFile *f, const void *data, size_t length)
{
    return f->compressed ? 0 : fwrite(data, 1, length, f->file);
}

int gf_printf(GameFile *f, const char *format, ...)
{
    if (f->compressed)
        return -1;
    va_list args;
    va_start(args, format);
    int n = vfprintf(f->file, format, args);
    va_end(args);
    return n;
}

int gf_seek(GameFile *f, long offset)
{
    if (f->compressed || offset < 0 || offset >= f->limit)
        return 0;
    if (fseek(f->file, f->base + offset, SEEK_SET) != 0)
        return 0;
    f->pushback = -1;
    f->position = (int32_t)offset;
    return 1;
}

void gf_flush(GameFile *f)
{
    fflush(f->file);
}

int gf_error(GameFile *f)
{
    return ferror(f->file) != 0;
}

int gf_rename(const char *old_name, const char *new_name)
{
    std::string from = home_path(old_name), to = home_path(new_name);
    if (from.empty() || to.empty())
        return 0;
    return rename(from.c_str(), to.c_str()) == 0;
}

GameFile *gf_open_new(const char *name)
{
    return gf_open((std::string(name) + ".new").c_str(), "wb");
}

int gf_replace(GameFile *f, const char *name)
{
    gf_flush(f);
    bool ok = !gf_error(f);
    gf_close(f);
    std::string temp = std::string(name) + ".new";
    return ok && gf_rename(temp.c_str(), name);
}
