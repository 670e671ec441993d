// Engine voice synthesis: pulse shapes, pipe models and their files, the
// per-frame synthesis and the listener's Doppler, distance and pan.
#include "sound/engine_voice.h"

#include "files/game_file.h"
#include "physics/catalogue.h"
#include "physics/engine.h"
#include "physics/rider.h"
#include "platform/log.h"
#include "sound/sound_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

const float speed_of_sound = 1140.63f; // world units (feet) a second

struct Shapes {
    float four_stroke[1024], two_stroke[1024];
    PipeModel four_pipe, two_pipe;
    Shapes()
    {
        for (int i = 0; i < 1024; ++i) {
            double x = i / 1023.0;
            double four = (std::fabs(std::sin(3 * M_PI * x + 0.5246)) - 0.5) * 0.5;
            double two = 0;
            if (x < 0.25) {
                four += std::sin(16 * M_PI * x) * (1 - 4 * x);
                two = std::sin(8 * M_PI * x) * (1 - 4 * x);
            }
            four_stroke[i] = (float)four;
            two_stroke[i] = (float)two;
        }
        four_pipe.wave = four_stroke;
        pipe_set(&four_pipe, 5.0f, 0.9182072f, -0.85f, 0, 15);
        two_pipe.wave = two_stroke;
        two_pipe.fires_per_rev = 1, two_pipe.load_lo = -3.5f, two_pipe.load_hi = 3.5f, two_pipe.amp_min = 0.75f;
        pipe_set(&two_pipe, 1.75f, 0.3f, -0.75f, 0, 15);
    }
};

const Shapes &shapes()
{
    static const Shapes s; // built on first use
    return s;
}

int wrap(int position)
{
    return ((position % VOICE_RING) + VOICE_RING) % VOICE_RING;
}

float length3(const float v[3])
{
    return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
}

} // namespace

void pipe_set(PipeModel *p, float length, float spread, float coefficient, int first, int last)
{
    // A pipe longer than the ring can echo, or a coefficient that would make
    // the reflections grow, is limited.
    length = std::isfinite(length) ? std::clamp(length, 0.0f, 400.0f) : 5.0f;
    spread = std::isfinite(spread) ? std::clamp(spread, 0.0f, 400.0f) : 0.9182072f;
    coefficient = std::isfinite(coefficient) ? std::clamp(coefficient, -1.0f, 1.0f) : -0.85f;
    int a = std::clamp(first, 0, VOICE_TAPS - 1);
    int b = std::clamp(last, a, VOICE_TAPS - 1);
    int n = b - a + 1, r = b - a;
    float m = std::min(length, spread);
    for (int i = a; i <= b; ++i) {
        int delta = i - a;
        p->tap_gain[i] = coefficient / (float)n;
        float position = r == 0 ? 0 : ((float)(delta * delta) / (float)(r * r) + (float)delta) / (float)n * m;
        p->tap_offset[i] = VOICE_RING - (int)(2.0f * VOICE_RATE * (length - position) / speed_of_sound);
    }
}

int pipe_read(PipeModel *pipe, const char *text, const char *file_name)
{
    pipe_set(pipe, 1, 1, 0, 0, VOICE_TAPS - 1); // every tap silent
    int used = 0, line_number = 0;
    const char *at = text;
    while (at && *at) {
        const char *end = std::strchr(at, '\n');
        std::string line(at, end ? (size_t)(end - at) : std::strlen(at));
        at = end ? end + 1 : nullptr;
        ++line_number;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        if (line.compare(0, 4, "pipe") != 0)
            continue;
        float length = 5.0f, spread = 0.9182072f, coefficient = -0.85f;
        int first = 0, last = 15, consumed = 0;
        int fields = std::sscanf(line.c_str(), "pipe %f %f %f %d %d%n", &length, &spread, &coefficient, &first, &last,
                                 &consumed);
        // What follows the values read must be blank: anything else is a
        // value that does not read, and the line keeps the defaults from it.
        std::string rest;
        if (fields < 5) {
            size_t pos = 4;
            for (int k = 0; k < std::max(fields, 0) && pos < line.size(); ++k) {
                pos = line.find_first_not_of(" \t\r", pos);
                pos = line.find_first_of(" \t\r", pos);
            }
            rest = pos < line.size() ? line.substr(pos) : "";
        } else {
            rest = line.substr((size_t)consumed);
        }
        if (rest.find_first_not_of(" \t\r") != std::string::npos)
            zeph_log("%s: line %d: a value that does not read; the pipe's defaults from there\n", file_name,
                     line_number);
        if (!std::isfinite(length) || !std::isfinite(spread) || !std::isfinite(coefficient) || length < 0 ||
            length > 400 || spread < 0 || spread > 400 || coefficient < -1 || coefficient > 1 || first < 0 ||
            first > 15 || last < 0 || last > 15)
            zeph_log("%s: line %d: a value out of range is limited\n", file_name, line_number);
        pipe_set(pipe, length, spread, coefficient, first, last);
        ++used;
    }
    return used;
}

std::string pipe_file_for(const std::string &stem, bool two_stroke)
{
    std::string name = stem;
    size_t slash = name.find_last_of('/');
    size_t base = slash == std::string::npos ? 0 : slash + 1;
    size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot >= base)
        name.erase(dot);
    while (!name.empty()) {
        std::string candidate = name + ".pipeinfo";
        if (GameFile *f = gf_open(candidate.c_str(), "rb")) {
            gf_close(f);
            return candidate;
        }
        size_t dash = name.find_last_of('-');
        if (dash == std::string::npos || dash < base)
            break;
        name.erase(dash);
    }
    std::string fallback = two_stroke ? "@default125.pipeinfo" : "@default250f.pipeinfo";
    if (GameFile *f = gf_open(fallback.c_str(), "rb")) {
        gf_close(f);
        return fallback;
    }
    return "";
}

void voice_create(EngineVoice *v, const Rider &rider, const std::string &stem)
{
    const Shapes &s = shapes();
    std::vector<uint8_t> silence(VOICE_RING, 128);
    v->buffer = sound_buffer_create(VOICE_RING, silence.data(), 0);
    if (v->buffer) {
        sound_buffer_set_loop(v->buffer, 1);
        sound_buffer_set_volume(v->buffer, 0);
        sound_buffer_play(v->buffer);
    }
    std::fill(std::begin(v->ring), std::end(v->ring), 0.0f);
    v->amplitude = 0, v->freq = 10, v->gain = 1, v->write_pos = 11025, v->phase = 0, v->cycles = 0, v->misfire = 0;
    v->random.seed((unsigned)rider.slot + 1u);
    bool two_stroke = rider.spec.two_stroke != 0;
    v->pipe = two_stroke ? s.two_pipe : s.four_pipe;
    std::string name =
        stem.empty()
            ? std::string(rider.spec.part_files[PART_BIKE_TEXTURE] ? rider.spec.part_files[PART_BIKE_TEXTURE] : "")
            : stem;
    std::string file = pipe_file_for(name, two_stroke);
    if (file.empty())
        return;
    GameFile *f = gf_open(file.c_str(), "rb");
    if (!f)
        return;
    std::string text;
    char line[1024];
    while (gf_gets(f, line, sizeof line))
        text += line;
    gf_close(f);
    pipe_read(&v->pipe, text.c_str(), file.c_str());
}

void voice_free(EngineVoice *v)
{
    sound_buffer_free(v->buffer);
    v->buffer = nullptr;
}

void voice_synthesise(EngineVoice *v, int count, float rpm, float throttle, float load)
{
    const PipeModel &p = v->pipe;
    const float *wave = p.wave ? p.wave : shapes().four_stroke;
    std::uniform_real_distribution<float> unit(0, 1);
    int increment = (int)std::lround(v->freq / VOICE_RATE * 16777216.0);
    for (int k = 0; k < count; ++k) {
        int w = v->write_pos;
        float s = 0;
        for (int i = 0; i < VOICE_TAPS; ++i)
            s += p.tap_gain[i] * v->ring[wrap(p.tap_offset[i] + w)];
        s += wave[(v->phase >> 14) & 1023] * std::min(v->amplitude, v->misfire ? 0.25f : 1.0f);
        v->ring[w] = std::clamp(s, -16.0f, 16.0f);
        v->phase += increment;
        if (v->phase >= 16777216) {
            // A new firing cycle.
            v->phase -= 16777216;
            v->amplitude = p.amp_min + (p.amp_max - p.amp_min) * throttle;
            ++v->cycles;
            float span = p.load_hi - p.load_lo;
            float l = span != 0 ? std::clamp((load - p.load_lo) / span, 0.0f, 1.0f) : 1.0f;
            v->misfire = l < unit(v->random) ? 1 : 0;
            v->freq = std::max(20.0f, (1 + unit(v->random) / 32) * rpm / 60 * p.fires_per_rev);
            increment = (int)std::lround(v->freq / VOICE_RATE * 16777216.0);
        }
        v->write_pos = (w + 1) % VOICE_RING;
    }
}

void voice_placement(const Listener &l, const float position[3], const float velocity[3], float master, float gain,
                     int *rate, int *volume, int *pan)
{
    float d[3] = {l.position[0] - position[0], l.position[1] - position[1], l.position[2] - position[2]};
    float distance = length3(d);
    float ratio = 1;
    float unit[3] = {0, 0, 0};
    bool apart = distance * distance >= 1.0f / 1024;
    if (apart) {
        for (int i = 0; i < 3; ++i)
            unit[i] = d[i] / distance;
        float num = 1 - (l.velocity[0] * unit[0] + l.velocity[1] * unit[1] + l.velocity[2] * unit[2]) / speed_of_sound;
        float den = 1 - (velocity[0] * unit[0] + velocity[1] * unit[1] + velocity[2] * unit[2]) / speed_of_sound;
        ratio = num <= 8 * den ? num / den : 0.125f;
    }
    *rate = (int)std::clamp(ratio * VOICE_RATE, 100.0f, 1000000.0f);
    float attenuation = std::max(1.0f, 1 + (distance - 1) / 48);
    *volume = (int)std::clamp(master * gain * 32767 / attenuation, 0.0f, 32767.0f);
    *pan = apart ? (int)std::clamp(-(unit[0] * l.right[0] + unit[1] * l.right[1] + unit[2] * l.right[2]) * 32767,
                                   -32768.0f, 32767.0f)
                 : 0;
}

void voice_update(const Rider &rider, EngineVoice *v, const Listener &listener, float master_volume)
{
    if (!v->buffer)
        return;
    int n = wrap(sound_buffer_position(v->buffer) + 4410 - v->write_pos);
    if (n > 0) {
        n = std::min(n, 8820);
        voice_synthesise(v, n, engine_rpm(&rider), rider.throttle, engine_torque(&rider));
        thread_local std::vector<uint8_t> bytes;
        bytes.resize((size_t)n);
        for (int k = 0; k < n; ++k) {
            float s = v->ring[wrap(v->write_pos - n + k)];
            bytes[(size_t)k] = (uint8_t)std::clamp((int)std::lround(s * 127 + 127), 0, 255);
        }
        sound_buffer_write(v->buffer, n, bytes.data(), wrap(v->write_pos - n));
    }
    const dReal *p = dBodyGetPosition(rider.bodies[FRAME]), *vel = dBodyGetLinearVel(rider.bodies[FRAME]);
    float position[3] = {(float)p[0], (float)p[1], (float)p[2]},
          velocity[3] = {(float)vel[0], (float)vel[1], (float)vel[2]};
    int rate, volume, pan;
    voice_placement(listener, position, velocity, master_volume, v->gain, &rate, &volume, &pan);
    sound_buffer_set_rate(v->buffer, rate);
    sound_buffer_set_volume(v->buffer, volume);
    sound_buffer_set_pan(v->buffer, pan);
}
