// Finding the tracks among the game files.
#include "track/track_list.h"

#include "files/file_index.h"
#include "files/game_file.h"
#include "platform/log.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <numeric>

const char default_track_folder[] = "rabbithill";

namespace
{

bool ends_with(const std::string &text, const char *suffix)
{
    size_t n = strlen(suffix);
    return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// Byte order after ASCII lower-casing; a prefix sorts first.
bool name_less(const std::string &a, const std::string &b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int ca = tolower((unsigned char)a[i]), cb = tolower((unsigned char)b[i]);
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

} // namespace

std::string track_file(const std::string &folder, const std::string &name)
{
    return "@" + folder + "/" + name;
}

std::string track_description(const std::string &folder)
{
    GameFile *f = gf_open(track_file(folder, "desc").c_str(), "rb");
    if (!f)
        return folder;
    std::string name;
    int c;
    while ((c = gf_getc(f)) > 0 && c != '\r' && c != '\n')
        name += (char)c;
    gf_close(f);
    return name;
}

TrackList build_track_list(bool verbose)
{
    std::vector<std::string> folders;
    for (const char *const *n = gf_list_names(); *n; ++n) {
        std::string name = *n;
        if (ends_with(name, "/terrain.hf") || ends_with(name, "/terrain.hf.gz")) {
            std::string folder = name.substr(0, name.rfind('/'));
            // A folder holding both forms is one track.
            if (std::find(folders.begin(), folders.end(), folder) == folders.end())
                folders.push_back(folder);
        }
    }
    std::vector<std::string> names;
    for (const std::string &folder : folders)
        names.push_back(track_description(folder));

    std::vector<size_t> order(folders.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return name_less(names[a], names[b]); });
    TrackList list;
    for (size_t i : order) {
        list.folders.push_back(folders[i]);
        list.names.push_back(names[i]);
        if (verbose)
            zeph_log("%s -> %s\n", folders[i].c_str(), names[i].c_str());
    }
    return list;
}

bool track_list_select(TrackList *list, const std::string &folder)
{
    for (size_t i = 0; i < list->folders.size(); ++i) {
        if (list->folders[i] == folder) {
            list->selected = (int)i;
            return true;
        }
    }
    return false;
}
