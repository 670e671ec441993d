// gf_scanf: fscanf over a GameFile with one byte of look-ahead held in the
// stream's push-back byte.
#include "files/game_file_local.h"

#include <array>
#include <cctype>
#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace
{

enum Size { SIZE_INT, SIZE_SHORT, SIZE_LONG, SIZE_LONG_LONG };

struct Reader {
    GameFile *f;
    int consumed; // bytes taken since the call started, for %n
    bool input_ended;

    int get()
    {
        int c = gf_getc(f);
        if (c < 0)
            input_ended = true;
        else
            ++consumed;
        return c;
    }
    void unget(int c)
    {
        if (c >= 0) {
            gf_unget(f, c);
            --consumed;
        }
    }
    void skip_space()
    {
        int c;
        while ((c = get()) >= 0 && isspace(c)) {
        }
        unget(c);
    }
};

void store_integer(va_list *args, Size size, long long value)
{
    switch (size) {
    case SIZE_SHORT:
        *va_arg(*args, short *) = (short)value;
        break;
    case SIZE_LONG:
        *va_arg(*args, long *) = (long)value;
        break;
    case SIZE_LONG_LONG:
        *va_arg(*args, long long *) = value;
        break;
    default:
        *va_arg(*args, int *) = (int)value;
        break;
    }
}

int digit_value(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// Reads an integer of the given base (0: decimal, 0x hexadecimal or 0 octal)
// in at most `width` bytes; false when no digit was read.
bool scan_integer(Reader *r, int base, int width, long long *out)
{
    r->skip_space();
    int left = width;
    bool negative = false;
    int c = r->get();
    if ((c == '+' || c == '-') && left > 1) {
        negative = c == '-';
        --left;
        c = r->get();
    }
    int digits = 0;
    if ((base == 0 || base == 16) && c == '0' && left > 1) {
        ++digits; // the "0" counts as a digit on its own
        --left;
        c = r->get();
        if ((c == 'x' || c == 'X') && left > 1) {
            base = 16;
            digits = 0;
            --left;
            c = r->get();
            if (digit_value(c) >= 16) {
                // "0x" without hexadecimal digits: the zero is the number.
                r->unget(c);
                *out = 0;
                return true;
            }
        } else if (base == 0) {
            base = 8;
        }
    }
    if (base == 0)
        base = 10;
    unsigned long long value = 0;
    while (left > 0 && digit_value(c) < base) {
        value = value * (unsigned)base + (unsigned)digit_value(c);
        ++digits;
        --left;
        if (left == 0)
            break;
        c = r->get();
    }
    if (left > 0)
        r->unget(c);
    // Negated in unsigned arithmetic: the most negative number has no
    // positive counterpart, and an overlong number wraps as strtoull's would.
    *out = (long long)(negative ? 0 - value : value);
    return digits > 0;
}

bool scan_float(Reader *r, int width, long double *out)
{
    r->skip_space();
    char text[512];
    int n = 0, max = width < (int)sizeof text - 1 ? width : (int)sizeof text - 1;
    int c = r->get();
    auto take = [&]() {
        text[n++] = (char)c;
        c = n < max ? r->get() : -1;
    };
    if ((c == '+' || c == '-') && n < max)
        take();
    int digits = 0;
    while (c >= 0 && isdigit(c)) {
        take();
        ++digits;
    }
    if (c == '.' && n < max) {
        take();
        while (c >= 0 && isdigit(c)) {
            take();
            ++digits;
        }
    }
    if (digits > 0 && (c == 'e' || c == 'E') && n < max) {
        take();
        if ((c == '+' || c == '-') && n < max)
            take();
        while (c >= 0 && isdigit(c))
            take();
    }
    r->unget(c);
    text[n] = '\0';
    if (digits == 0)
        return false;
    *out = strtold(text, nullptr);
    return true;
}

// Reads a run of at most `width` bytes of a set into `out` (when not null),
// NUL-terminated; false when not even one byte matched.
bool scan_run(Reader *r, int width, char *out, const bool in_set[256])
{
    int n = 0, c = 0;
    while (n < width && (c = r->get()) >= 0 && in_set[c]) {
        if (out)
            out[n] = (char)c;
        ++n;
    }
    if (n < width)
        r->unget(c);
    if (out && n > 0)
        out[n] = '\0';
    return n > 0;
}

// Parses a "%[...]" set starting just after "[": fills `in_set` and returns
// the format position after the closing "]".
const char *parse_set(const char *p, bool in_set[256])
{
    bool negate = false;
    if (*p == '^') {
        negate = true;
        ++p;
    }
    memset(in_set, 0, 256);
    if (*p == ']')
        in_set[(unsigned char)*p++] = true;
    for (; *p && *p != ']'; ++p) {
        unsigned char from = (unsigned char)*p;
        if (p[1] == '-' && p[2] && p[2] != ']') {
            unsigned char to = (unsigned char)p[2];
            for (int c = from; c <= to; ++c)
                in_set[c] = true;
            p += 2;
        } else {
            in_set[from] = true;
        }
    }
    if (negate)
        for (int c = 0; c < 256; ++c)
            in_set[c] = !in_set[c];
    return *p == ']' ? p + 1 : p;
}

} // namespace

int gf_scanf(GameFile *f, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    Reader r{f, 0, false};
    int assigned = 0;
    bool converted = false; // any conversion completed, assigned or not
    int result = 0;
    const char *p = format;

    while (*p) {
        unsigned char fc = (unsigned char)*p;
        if (isspace(fc)) {
            r.skip_space();
            ++p;
            continue;
        }
        if (fc != '%' || p[1] == '%') {
            int c = r.get();
            if (c != fc) {
                r.unget(c);
                result = c < 0 && !converted ? -1 : (c < 0 ? assigned : -1);
                goto done;
            }
            p += fc == '%' ? 2 : 1;
            continue;
        }

        ++p;
        bool suppress = false;
        if (*p == '*') {
            suppress = true;
            ++p;
        }
        int width = 0;
        while (isdigit((unsigned char)*p))
            width = width * 10 + (*p++ - '0');
        bool has_width = width > 0;
        if (!has_width)
            width = 0x7fffffff;
        Size size = SIZE_INT;
        bool long_double = false;
        if (*p == 'h') {
            size = SIZE_SHORT;
            ++p;
        } else if (*p == 'l' && p[1] == 'l') {
            size = SIZE_LONG_LONG;
            p += 2;
        } else if (*p == 'l') {
            size = SIZE_LONG;
            ++p;
        } else if (*p == 'L' || *p == 'q') {
            size = SIZE_LONG_LONG;
            long_double = true;
            ++p;
        }

        char conversion = *p++;
        bool ok = true;
        switch (conversion) {
        case 'd':
        case 'i':
        case 'o':
        case 'x':
        case 'X': {
            int base = conversion == 'd' ? 10 : conversion == 'i' ? 0 : conversion == 'o' ? 8 : 16;
            long long value;
            ok = scan_integer(&r, base, width, &value);
            if (ok && !suppress)
                store_integer(&args, size, value);
            break;
        }
        case 'f': {
            long double value;
            ok = scan_float(&r, width, &value);
            if (ok && !suppress) {
                if (long_double)
                    *va_arg(args, long double *) = value;
                else if (size == SIZE_LONG)
                    *va_arg(args, double *) = (double)value;
                else
                    *va_arg(args, float *) = (float)value;
            }
            break;
        }
        case 's': {
            static const std::array<bool, 256> non_space = [] {
                std::array<bool, 256> set{};
                for (int c = 0; c < 256; ++c)
                    set[c] = !isspace(c);
                return set;
            }();
            r.skip_space();
            ok = scan_run(&r, width, suppress ? nullptr : va_arg(args, char *), non_space.data());
            break;
        }
        case 'c': {
            int count = has_width ? width : 1;
            char *out = suppress ? nullptr : va_arg(args, char *);
            int n = 0, c;
            while (n < count && (c = r.get()) >= 0) {
                if (out)
                    out[n] = (char)c;
                ++n;
            }
            ok = n == count;
            break;
        }
        case '[': {
            bool in_set[256];
            p = parse_set(p, in_set);
            ok = scan_run(&r, width, suppress ? nullptr : va_arg(args, char *), in_set);
            break;
        }
        case 'n':
            if (!suppress)
                store_integer(&args, size, r.consumed);
            continue;
        default:
            result = assigned;
            goto done;
        }
        if (!ok) {
            result = r.input_ended && !converted ? -1 : assigned;
            goto done;
        }
        converted = true;
        if (!suppress)
            ++assigned;
    }
    result = assigned;
done:
    va_end(args);
    return result;
}
