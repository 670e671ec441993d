// Control-name aliases and interned names.
#pragma once

// Adds an alias; returns 0 (and logs) when the name already has one.
int alias_add(const char *name, const char *target);

// The alias target of a name, or the name itself. Aliases are not chained.
const char *alias_resolve(const char *name);

// The one stored copy of a text, so interned names compare by address; null
// when out of memory.
const char *name_intern(const char *text);

// Compares control names ignoring case, with white space and "_" alike.
int name_compare(const char *a, const char *b);
