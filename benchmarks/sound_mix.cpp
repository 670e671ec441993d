// sound_mix: the cost of 40 engine voices as a share of one core: each
// voice synthesised at 44.1 kHz through its pipe model and written into its
// buffer, and the buffers mixed (the readback driver at 44.1 kHz, the
// default channel budget), for ten seconds of sound.
#include "sound/engine_voice.h"
#include "sound/sound_output.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

int main()
{
    const int step = VOICE_RATE / 100; // 10 ms of sound a step
    if (!sound_open_readback(VOICE_RATE, step)) {
        fprintf(stderr, "sound_mix: can't open the readback driver\n");
        return 1;
    }
    std::vector<std::unique_ptr<EngineVoice>> voices;
    for (int k = 0; k < 40; ++k) {
        auto v = std::make_unique<EngineVoice>();
        pipe_set(&v->pipe, 5.0f, 0.9182072f, -0.85f, 0, 15);
        std::vector<uint8_t> silence(VOICE_RING, 128);
        v->buffer = sound_buffer_create(VOICE_RING, silence.data(), 0);
        sound_buffer_set_loop(v->buffer, 1);
        sound_buffer_set_volume(v->buffer, 4000 + 700 * k);
        sound_buffer_set_pan(v->buffer, -32768 + 1600 * k);
        sound_buffer_play(v->buffer);
        voices.push_back(std::move(v));
    }
    std::vector<uint8_t> bytes(step);
    const int steps = 1000; // ten seconds
    double synthesis = 0, mixing = 0;
    for (int s = 0; s < steps; ++s) {
        auto t0 = std::chrono::steady_clock::now();
        for (size_t k = 0; k < voices.size(); ++k) {
            EngineVoice *v = voices[k].get();
            voice_synthesise(v, step, 3000 + 200.0f * (float)k + (float)(s % 100) * 20, 0.8f, 1.0f);
            for (int i = 0; i < step; ++i) {
                int value = (int)(v->ring[(v->write_pos - step + i + VOICE_RING) % VOICE_RING] * 127 + 127);
                bytes[(size_t)i] = (uint8_t)(value < 0 ? 0 : value > 255 ? 255 : value);
            }
            sound_buffer_write(v->buffer, step, bytes.data(), (v->write_pos - step + VOICE_RING) % VOICE_RING);
        }
        auto t1 = std::chrono::steady_clock::now();
        sound_read();
        auto t2 = std::chrono::steady_clock::now();
        synthesis += std::chrono::duration<double>(t1 - t0).count();
        mixing += std::chrono::duration<double>(t2 - t1).count();
    }
    double audio = steps * (double)step / VOICE_RATE;
    printf("40 engine voices, %.0f s of sound at %d Hz:\n", audio, VOICE_RATE);
    printf("  synthesis through the pipes: %5.2f %% of one core\n", 100 * synthesis / audio);
    printf("  mixing:                      %5.2f %% of one core\n", 100 * mixing / audio);
    printf("  together:                    %5.2f %% of one core\n", 100 * (synthesis + mixing) / audio);
    for (auto &v : voices)
        sound_buffer_free(v->buffer);
    sound_close();
    return 0;
}
