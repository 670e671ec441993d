#include "ui/bike_names.h"

const char *const offered_bike_names[OFFERED_BIKES] = {
    "crf250(2009)",    "kx250f(2009)", "rmz250(2009)", "yz250f(2009)", "crf250(2008)", "kx250f(2008)",
    "rmz250(2008)",    "yz250f(2008)", "crf250(2007)", "kx250f(2007)", "rmz250(2007)", "yz250f(2007)",
    "yz250f_se(2006)", "cr125",        "kx125",        "rm125",        "yz125",
};

const char *const offered_bike_skin_prefixes[OFFERED_BIKES] = {
    "crf250-", "kx250f-", "rmz250-", "yz250f-",    "crf250-", "kx250f-", "rmz250-", "yz250f-", "crf250-",
    "kx250f-", "rmz250-", "yz250f-", "yz250f_se-", "cr125-",  "kx125-",  "rm125-",  "yz125-",
};
