// Alias table (newest first) and the sorted list of interned names. Both live
// for the whole process; entries are never freed.
#include "platform/names.h"

#include "platform/log.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace
{

struct Alias {
    Alias *next;
    const char *name;
    const char *target;
};

struct InternedName {
    InternedName *next;
    char text[1];
};

Alias *aliases;
InternedName *interned;

int fold(unsigned char c)
{
    if (isspace(c) || c == '_')
        return ' ';
    return tolower(c);
}

} // namespace

int alias_add(const char *name, const char *target)
{
    if (alias_resolve(name) != name) {
        zeph_log("Second alias for '%s' ('%s') ignored\n", name, target);
        return 0;
    }
    size_t name_len = strlen(name) + 1, target_len = strlen(target) + 1;
    // One block holds the record and both strings.
    Alias *a = (Alias *)malloc(sizeof(Alias) + name_len + target_len);
    if (!a) {
        zeph_log("Can't alias %s to %s -- out of memory\n", name, target);
        return 0;
    }
    char *text = (char *)(a + 1);
    memcpy(text, name, name_len);
    memcpy(text + name_len, target, target_len);
    a->name = text;
    a->target = text + name_len;
    a->next = aliases;
    aliases = a;
    return 1;
}

const char *alias_resolve(const char *name)
{
    for (Alias *a = aliases; a; a = a->next)
        if (strcmp(a->name, name) == 0)
            return a->target;
    return name;
}

const char *name_intern(const char *text)
{
    InternedName **link = &interned;
    for (; *link; link = &(*link)->next) {
        int c = strcmp((*link)->text, text);
        if (c == 0)
            return (*link)->text;
        if (c > 0)
            break;
    }
    size_t len = strlen(text);
    InternedName *n = (InternedName *)malloc(sizeof(InternedName) + len);
    if (!n)
        return nullptr;
    memcpy(n->text, text, len + 1);
    n->next = *link;
    *link = n;
    return n->text;
}

int name_compare(const char *a, const char *b)
{
    for (;; ++a, ++b) {
        int ca = fold((unsigned char)*a), cb = fold((unsigned char)*b);
        if (ca != cb || ca == 0)
            return ca - cb;
    }
}
