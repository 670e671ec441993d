// Loading textures by name into the cache, and animated textures.
//
// ".seq" layout: "ANIM1", then step count S, frame count F, ticks per step
// and a loop flag; S frame indices; then F frames, each "J7" and an inline
// J7 image, or "PNG" and the rest of the line naming a PNG file.
#include "files/texture.h"

#include "files/renderer.h"

#include "files/game_file_local.h"
#include "platform/log.h"
#include "platform/messages.h"

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

namespace
{

struct TextureRecord {
    unsigned id;
    int generation;
    long memory;
    std::string name;
};

struct AnimatedTexture {
    unsigned id;
    std::vector<Image> frames;
    std::vector<int> steps;
    int ticks_per_step;
    int loop;
    int start_tick;
    bool paused;
    int shown_frame;
    int first_level;
};

int detail_reduction = 1;
bool verbose;
int generation; // 0 until the first track: such textures are never freed
long memory_used;
std::vector<TextureRecord> records;
std::vector<AnimatedTexture> animations;

bool equal_ignoring_case(const std::string &a, const std::string &b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (tolower((unsigned char)a[i]) != tolower((unsigned char)b[i]))
            return false;
    return true;
}

TextureRecord *find_record(const std::string &name)
{
    for (TextureRecord &r : records)
        if (r.name == name)
            return &r;
    for (TextureRecord &r : records) {
        if (equal_ignoring_case(r.name, name)) {
            char text[1000];
            snprintf(text, sizeof text, "Warning: case mismatch on '%.900s'", name.c_str());
            show_message(text);
            return &r;
        }
    }
    return nullptr;
}

// Reads a word of at most 15 characters after white space.
std::string read_word(GameFile *f)
{
    std::string word;
    int c = gf_getc(f);
    while (c >= 0 && isspace(c))
        c = gf_getc(f);
    while (c >= 0 && !isspace(c) && word.size() < 15) {
        word += (char)c;
        c = gf_getc(f);
    }
    gf_unget(f, c);
    return word;
}

bool seq_error(const char *text)
{
    image_fail(text);
    return false;
}

bool read_sequence(GameFile *f, AnimatedTexture *anim)
{
    int steps, frames, ticks, loop;
    if (gf_scanf(f, "%d %d %d %d", &steps, &frames, &ticks, &loop) != 4 || steps <= 0 || frames <= 0 ||
        steps > 100000 || frames > 10000)
        return seq_error("Error reading .seq header");
    anim->steps.resize(steps);
    for (int &s : anim->steps)
        if (gf_scanf(f, "%d ", &s) != 1 || s < 0 || s >= frames)
            return seq_error("Error reading .seq steps");
    anim->ticks_per_step = ticks > 0 ? ticks : 1;
    anim->loop = loop;
    for (int i = 0; i < frames; ++i) {
        std::string word = read_word(f);
        Image frame;
        if (word == "J7") {
            if (!read_image_j_after_word(f, 4, &frame))
                return false;
        } else if (word == "PNG") {
            char line[1024];
            int c = gf_getc(f);
            while (c == ' ' || c == '\t')
                c = gf_getc(f);
            gf_unget(f, c);
            if (!gf_gets(f, line, sizeof line))
                return seq_error("EOF while reading .seq");
            size_t n = strlen(line);
            while (n > 0 && isspace((unsigned char)line[n - 1]))
                line[--n] = '\0';
            if (!read_image_png(line, &frame)) {
                char text[1000];
                snprintf(text, sizeof text, "Can't read %.900s", line);
                return seq_error(text);
            }
        } else {
            char text[64];
            snprintf(text, sizeof text, "Error reading .seq frame %d", i);
            return seq_error(text);
        }
        if (!anim->frames.empty()) {
            const Image &first = anim->frames[0];
            if (frame.width != first.width || frame.height != first.height)
                return seq_error("Width/height mismatch reading .seq");
            if (frame.channels != first.channels)
                return seq_error("Depth mismatch reading .seq");
        }
        anim->frames.push_back(std::move(frame));
    }
    return true;
}

// Power-of-two size and the full mipmap chain, then the first level to use.
int prepare(Image *image, const char *name, bool full_detail)
{
    if (resample_to_power_of_two(image)) {
        char text[1100];
        snprintf(text, sizeof text, "Warning: Non power of 2 texture '%.950s'", name);
        show_message(text);
    } else if (image->levels < mipmap_level_count(image->width, image->height)) {
        make_mipmaps(image);
    }
    int first = 0, w = image->width, h = image->height;
    int skip = full_detail ? 0 : detail_reduction;
    while (first < skip && w > 128 && h > 128 && first + 1 < image->levels) {
        ++first;
        w /= 2;
        h /= 2;
    }
    return first;
}

long uploaded_bytes(const Image &image, int first_level)
{
    long bytes = 0;
    for (int level = first_level; level < image.levels; ++level)
        bytes += (long)image_level_size(image, level);
    return bytes;
}

} // namespace

void texture_settings(int reduction, bool log_loads)
{
    detail_reduction = reduction;
    verbose = log_loads;
}

int animation_step(const AnimationTiming &t, int tick)
{
    int elapsed = tick - t.start_tick;
    int step = (elapsed > 0 ? elapsed : 0) / (t.ticks_per_step > 0 ? t.ticks_per_step : 1);
    return t.loop ? step % t.steps : (step < t.steps - 1 ? step : t.steps - 1);
}

unsigned load_texture(const char *requested)
{
    bool full_detail = requested[0] == '!';
    std::string name = full_detail ? requested + 1 : requested;
    if (TextureRecord *r = find_record(name)) {
        if (r->generation != 0 && r->generation != generation) {
            memory_used += r->memory;
            r->generation = generation;
        }
        return r->id;
    }
    if (!renderer().draws)
        return 0;
    GameFile *f = gf_open(name.c_str(), "rb");
    if (!f) {
        if (verbose)
            show_messagef("Can't open texture \"%.900s\"", name.c_str());
        return 0;
    }
    bool repeat_h = name.find("-hrepeat.") != std::string::npos || name.find("-repeat.") != std::string::npos;
    bool repeat_v = name.find("-vrepeat.") != std::string::npos || name.find("-repeat.") != std::string::npos;

    std::string word = read_word(f);
    Image image;
    AnimatedTexture anim = {};
    bool ok = false, animated = false;
    if (word == "J7" || word == "J6") {
        ok = read_image_j_after_word(f, word == "J6" ? 3 : 4, &image);
    } else if (word == "P3" || word == "P6") {
        gf_close(f);
        f = gf_open(name.c_str(), "rb");
        ok = f && read_image_ppm(f, &image);
    } else if (word == "ANIM1") {
        ok = animated = read_sequence(f, &anim);
        if (animated)
            image = anim.frames[anim.steps[0]];
    }
    gf_close(f);
    if (!ok && !read_image_png(name.c_str(), &image)) {
        if (verbose)
            zeph_log("Can't read texture \"%s\": %s\n", name.c_str(), image_error());
        return 0;
    }

    int first = prepare(&image, name.c_str(), full_detail);
    unsigned id = renderer().create_texture(image, first, repeat_h, repeat_v);
    if (!id)
        return 0;
    long bytes = uploaded_bytes(image, first);
    memory_used += bytes;
    records.push_back({id, generation, bytes, name});
    if (animated) {
        for (Image &frame : anim.frames)
            prepare(&frame, name.c_str(), full_detail);
        anim.id = id;
        anim.first_level = first;
        anim.shown_frame = anim.steps[0];
        animations.push_back(std::move(anim));
    }
    return id;
}

const char *texture_name(unsigned id)
{
    for (const TextureRecord &r : records)
        if (r.id == id && id != 0)
            return r.name.c_str();
    return nullptr;
}

void texture_generation_advance()
{
    ++generation;
    memory_used = 0;
}

long texture_memory()
{
    return memory_used;
}

void free_stale_textures()
{
    std::vector<TextureRecord> kept;
    for (TextureRecord &r : records) {
        if (r.generation == 0 || r.generation == generation) {
            kept.push_back(std::move(r));
            continue;
        }
        if (verbose)
            zeph_log("deleting tid %u (%.900s)\n", r.id, r.name.c_str());
        renderer().destroy_texture(r.id);
    }
    records = std::move(kept);
    std::vector<AnimatedTexture> live;
    for (AnimatedTexture &a : animations) {
        if (texture_name(a.id)) {
            live.push_back(std::move(a));
        } else if (verbose) {
            zeph_log("deleting anim %d for tid %u\n", (int)live.size(), a.id);
        }
    }
    animations = std::move(live);
}

void forget_textures()
{
    records.clear();
    animations.clear();
}

void update_animated_textures(int tick)
{
    for (AnimatedTexture &a : animations) {
        if (a.paused)
            continue;
        AnimationTiming timing = {(int)a.steps.size(), a.ticks_per_step, a.loop, a.start_tick};
        int frame = a.steps[animation_step(timing, tick)];
        if (frame != a.shown_frame) {
            renderer().replace_texture(a.id, a.frames[frame], a.first_level);
            a.shown_frame = frame;
        }
    }
}

void start_animation(unsigned id, int tick)
{
    for (AnimatedTexture &a : animations)
        if (a.id == id) {
            a.start_tick = tick;
            a.paused = false;
        }
}

void pause_animation(unsigned id)
{
    for (AnimatedTexture &a : animations)
        if (a.id == id)
            a.paused = true;
}
