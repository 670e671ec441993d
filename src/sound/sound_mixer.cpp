// The software mixer: level table, channel lists and fragment mixing.
#include "sound/sound_mixer.h"

#include <algorithm>
#include <cstring>

namespace
{

const int fraction_bits = 31;

// For levels 0 .. 31 and every sample byte, its signed contribution: the
// byte's distance from silence (byte 0 counting as -127) less one, scaled
// by level / 32, with the byte's sign.
struct LevelTable {
    int16_t value[32][256];
    LevelTable()
    {
        for (int level = 0; level < 32; ++level)
            for (int b = 0; b < 256; ++b) {
                int s = b == 0 ? -127 : b - 128;
                int magnitude = s == 0 || level == 0 ? 0 : (std::abs(s) - 1) * level / 32;
                value[level][b] = (int16_t)(s < 0 ? -magnitude : magnitude);
            }
    }
};

const LevelTable &levels()
{
    static const LevelTable table; // built on first use
    return table;
}

void unlist(SoundBuffer *b)
{
    for (int side = 0; side < 2; ++side) {
        std::vector<SoundBuffer *> &list = b->mixer->lists[side][b->level[side]];
        list.erase(std::remove(list.begin(), list.end(), b), list.end());
    }
}

void enlist(SoundBuffer *b)
{
    for (int side = 0; side < 2; ++side)
        b->mixer->lists[side][b->level[side]].push_back(b);
}

// The levels of each side from the volume and pan (the pan all the way
// left on a mono device), moving a playing channel to its new lists.
void set_levels(SoundBuffer *b)
{
    if (b->playing)
        unlist(b);
    int pan = b->mixer->stereo ? b->pan : -32768;
    b->level[0] = std::clamp((int)(((int64_t)(32767 - pan) * b->volume) >> 26), 0, 31);
    b->level[1] = std::clamp((int)(((int64_t)b->volume * (pan + 32768)) >> 26), 0, 31);
    if (b->playing)
        enlist(b);
}

// Steps a channel through one fragment from `position`, adding its samples
// at `level` to the accumulator when `audible`; returns the end position
// and whether a non-looping channel reached its end.
uint64_t run(const SoundBuffer &b, uint64_t position, int frames, int rate, int level, int *accumulator, bool audible,
             bool *ended)
{
    const std::vector<uint8_t> &samples = *b.samples;
    uint64_t length = (uint64_t)samples.size() << fraction_bits;
    uint64_t step = ((uint64_t)std::max(b.rate, 0) << fraction_bits) / (uint64_t)rate;
    const int16_t *table = levels().value[level];
    for (int i = 0; i < frames; ++i) {
        if (position >= length) {
            if (!b.loop || length == 0) {
                *ended = true;
                break;
            }
            position %= length;
        }
        if (audible)
            accumulator[i] += table[samples[(size_t)(position >> fraction_bits)]];
        position += step;
    }
    return position;
}

} // namespace

int mixer_level_value(int level, uint8_t sample)
{
    return levels().value[std::clamp(level, 0, 31)][sample];
}

void mixer_init(Mixer *m, int rate, int fragment, int budget, bool stereo)
{
    m->rate = std::max(rate, 1);
    m->fragment = std::max(fragment, 1);
    m->budget = std::max(budget, 0);
    m->stereo = stereo;
    for (auto &side : m->lists)
        for (auto &list : side)
            list.clear();
    for (auto &a : m->accumulators)
        a.assign((size_t)m->fragment, 0);
}

SoundBuffer *mixer_buffer_create(Mixer *m, int length, const uint8_t *data, int rate)
{
    SoundBuffer *b = new SoundBuffer;
    b->mixer = m;
    length = std::max(length, 0);
    std::vector<uint8_t> samples;
    if (rate > 0 && rate != m->rate && data) {
        // Resampled to the output rate, nearest sample.
        int64_t n = (int64_t)length * m->rate / rate;
        samples.resize((size_t)n);
        for (int64_t i = 0; i < n; ++i)
            samples[(size_t)i] = data[std::min<int64_t>(i * rate / m->rate, length - 1)];
    } else {
        samples.assign((size_t)length, 128);
        if (data)
            std::memcpy(samples.data(), data, (size_t)length);
    }
    b->samples = std::make_shared<std::vector<uint8_t>>(std::move(samples));
    b->rate = m->rate;
    set_levels(b);
    return b;
}

SoundBuffer *mixer_buffer_duplicate(const SoundBuffer *from)
{
    SoundBuffer *b = new SoundBuffer;
    b->mixer = from->mixer;
    b->samples = from->samples;
    b->rate = from->mixer->rate;
    set_levels(b);
    return b;
}

void mixer_buffer_free(SoundBuffer *b)
{
    if (!b)
        return;
    mixer_buffer_stop(b);
    delete b;
}

void mixer_buffer_play(SoundBuffer *b)
{
    if (!b->playing) {
        b->playing = true;
        enlist(b);
    }
    b->restart = true;
    b->ended = false;
}

void mixer_buffer_stop(SoundBuffer *b)
{
    if (b->playing)
        unlist(b);
    b->playing = false;
    b->position = 0;
}

void mixer_buffer_set_rate(SoundBuffer *b, int rate)
{
    b->rate = std::max(rate, 0);
}

void mixer_buffer_set_volume(SoundBuffer *b, int volume)
{
    b->volume = std::clamp(volume, 0, 32767);
    set_levels(b);
}

void mixer_buffer_set_pan(SoundBuffer *b, int pan)
{
    b->pan = b->mixer->stereo ? std::clamp(pan, -32768, 32767) : -32768;
    set_levels(b);
}

void mixer_buffer_set_loop(SoundBuffer *b, bool loop)
{
    b->loop = loop;
}

int mixer_buffer_position(const SoundBuffer *b)
{
    return b->playing ? (int)(b->position >> fraction_bits) : 0;
}

void mixer_buffer_write(SoundBuffer *b, int length, const uint8_t *data, int position)
{
    std::vector<uint8_t> &samples = *b->samples;
    int size = (int)samples.size();
    if (size == 0 || length <= 0 || !data)
        return;
    if (length > size) {
        // Only the last buffer-length bytes land.
        position += length - size;
        data += length - size;
        length = size;
    }
    position = ((position % size) + size) % size;
    int first = std::min(length, size - position);
    std::memcpy(&samples[(size_t)position], data, (size_t)first);
    std::memcpy(&samples[0], data + first, (size_t)(length - first));
}

void mixer_mix(Mixer *m)
{
    for (auto &a : m->accumulators)
        std::fill(a.begin(), a.end(), 0);
    // Every playing channel starts the fragment where it stood (or at its
    // first sample when restarted); its left entry carries it on, its right
    // entry reads the same samples.
    std::vector<SoundBuffer *> playing;
    for (auto &list : m->lists[0])
        playing.insert(playing.end(), list.begin(), list.end());
    for (SoundBuffer *b : playing)
        if (b->restart) {
            b->position = 0;
            b->restart = false;
        }
    std::vector<uint64_t> start(playing.size()), end(playing.size());
    std::vector<char> ended(playing.size(), 0);
    auto index_of = [&](SoundBuffer *b) {
        return (size_t)(std::find(playing.begin(), playing.end(), b) - playing.begin());
    };
    for (size_t i = 0; i < playing.size(); ++i)
        start[i] = end[i] = playing[i]->position;
    int budget = m->budget;
    for (int level = 31; level >= 0; --level) {
        const std::vector<SoundBuffer *> &left = m->lists[0][level], &right = m->lists[1][level];
        size_t n = std::max(left.size(), right.size());
        for (size_t e = 0; e < 2 * n; ++e) {
            int side = (int)(e & 1);
            const std::vector<SoundBuffer *> &list = side ? right : left;
            if (e / 2 >= list.size())
                continue;
            SoundBuffer *b = list[e / 2];
            size_t i = index_of(b);
            if (i >= playing.size())
                continue;
            bool audible = level >= 1 && budget > 0;
            if (audible)
                --budget;
            bool reached_end = false;
            uint64_t after =
                run(*b, start[i], m->fragment, m->rate, level, m->accumulators[side].data(), audible, &reached_end);
            if (side == 0) {
                end[i] = after;
                ended[i] = reached_end;
            }
        }
    }
    for (size_t i = 0; i < playing.size(); ++i) {
        SoundBuffer *b = playing[i];
        b->position = end[i];
        if (ended[i]) {
            unlist(b);
            b->playing = false;
            b->ended = true;
            b->position = 0;
        }
    }
}

void mixer_output8(const Mixer &m, uint8_t *out)
{
    for (int i = 0; i < m.fragment; ++i)
        for (int side = 0; side < (m.stereo ? 2 : 1); ++side)
            *out++ = (uint8_t)(std::clamp(m.accumulators[side][(size_t)i], -127, 126) + 128);
}

void mixer_output16(const Mixer &m, int16_t *out)
{
    for (int i = 0; i < m.fragment; ++i)
        for (int side = 0; side < 2; ++side)
            *out++ = (int16_t)(std::clamp(m.accumulators[side][(size_t)i], -126, 126) * 256);
}
