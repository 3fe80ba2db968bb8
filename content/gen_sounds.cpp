// The sounds: short synthesised WAV files (22050 Hz, 16 bit, mono) and the
// sound source list that names them.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "content/content.h"
#include "content/image.h"

namespace content {
namespace {

constexpr int RATE = 22050;
constexpr float PI = 3.14159265f;

using Samples = std::vector<float>;

std::string EncodeWav(const Samples& s) {
    std::string out = "RIFF";
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i) out.push_back(char((v >> (8 * i)) & 0xff));
    };
    auto put16 = [&](uint32_t v) {
        out.push_back(char(v & 0xff));
        out.push_back(char((v >> 8) & 0xff));
    };
    const uint32_t dataBytes = uint32_t(s.size() * 2);
    put32(36 + dataBytes);
    out += "WAVEfmt ";
    put32(16);
    put16(1);         // PCM
    put16(1);         // mono
    put32(RATE);
    put32(RATE * 2);  // bytes per second
    put16(2);         // block
    put16(16);        // bits
    out += "data";
    put32(dataBytes);
    for (float v : s) {
        const float c = v > 1 ? 1 : (v < -1 ? -1 : v);
        put16(uint32_t(uint16_t(int16_t(std::lround(c * 32000.0f)))));
    }
    return out;
}

// White noise from the shared hash, one value per sample.
float Noise(uint32_t i, uint32_t seed) { return Hash01(i, seed) * 2 - 1; }

// A one-pole low-pass filter over a whole buffer.
void LowPass(Samples& s, float cutoff) {
    const float a = 1 - std::exp(-2 * PI * cutoff / RATE);
    float y = 0;
    for (float& v : s) {
        y += a * (v - y);
        v = y;
    }
}

void Normalize(Samples& s, float peak) {
    float m = 1e-6f;
    for (float v : s) m = std::max(m, std::fabs(v));
    for (float& v : s) v *= peak / m;
}

// Makes a buffer loop without a click: its end is cross-faded into its start.
Samples MakeLoop(const Samples& s, int fade) {
    const int n = int(s.size()) - fade;
    Samples out(s.begin(), s.begin() + n);
    for (int i = 0; i < fade; ++i) {
        const float t = float(i) / fade;
        out[i] = s[i] * t + s[n + i] * (1 - t);
    }
    return out;
}

// A bell-like tone: a few inharmonic partials with exponential decay.
void AddBell(Samples& s, float start, float freq, float amp, float decay) {
    const int i0 = int(start * RATE);
    const float partials[][2] = {{1.0f, 1.0f}, {2.0f, 0.45f}, {2.76f, 0.25f}, {5.4f, 0.1f}};
    for (int i = i0; i < int(s.size()); ++i) {
        const float t = float(i - i0) / RATE;
        const float env = std::exp(-t / decay) * std::min(1.0f, t * 400);
        float v = 0;
        for (const auto& p : partials) v += p[1] * std::sin(2 * PI * freq * p[0] * t) * std::exp(-t * p[0] * 0.8f);
        s[i] += amp * env * v;
    }
}

Samples MenuChime() {
    Samples s(int(1.6f * RATE), 0.0f);
    AddBell(s, 0.00f, 523.25f, 0.5f, 0.5f);  // C
    AddBell(s, 0.12f, 659.25f, 0.45f, 0.5f);  // E
    AddBell(s, 0.24f, 783.99f, 0.45f, 0.6f);  // G
    AddBell(s, 0.36f, 1046.5f, 0.35f, 0.7f);  // C
    Normalize(s, 0.7f);
    return s;
}

Samples SwitchClick() {
    Samples s(int(0.3f * RATE), 0.0f);
    for (int i = 0; i < int(s.size()); ++i) {
        const float t = float(i) / RATE;
        const float click = Noise(uint32_t(i), 5) * std::exp(-t * 300);
        const float clunk = std::sin(2 * PI * 140 * t) * std::exp(-(t - 0.06f) * 40) * (t > 0.06f ? 1.0f : 0.0f);
        const float click2 = t > 0.06f ? Noise(uint32_t(i), 6) * std::exp(-(t - 0.06f) * 250) : 0.0f;
        s[i] = click * 0.6f + clunk * 0.5f + click2 * 0.4f;
    }
    Normalize(s, 0.6f);
    return s;
}

Samples CrossingBell() {
    Samples s(int(1.2f * RATE), 0.0f);
    for (int k = 0; k < 4; ++k) AddBell(s, k * 0.28f, 1318.5f, 0.4f, 0.18f);
    Normalize(s, 0.6f);
    return s;
}

Samples Whistle() {
    Samples s(int(1.0f * RATE), 0.0f);
    for (int i = 0; i < int(s.size()); ++i) {
        const float t = float(i) / RATE;
        const float env = std::min(1.0f, t * 12) * std::min(1.0f, (1.0f - t) * 8);
        const float v = std::sin(2 * PI * 880 * t) * 0.5f + std::sin(2 * PI * 1046.5f * t) * 0.4f +
                        std::sin(2 * PI * 1760 * t) * 0.1f;
        s[i] = env * (v + Noise(uint32_t(i), 7) * 0.12f);
    }
    Normalize(s, 0.55f);
    return s;
}

Samples DieselHum() {
    const int fade = RATE / 20;
    Samples s(RATE + fade, 0.0f);
    Samples noise(s.size());
    for (size_t i = 0; i < s.size(); ++i) noise[i] = Noise(uint32_t(i), 11);
    LowPass(noise, 300);
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = float(i) / RATE;
        const float throb = 0.75f + 0.25f * std::sin(2 * PI * 8 * t);  // 8 firing pulses a second
        float v = 0;
        for (int h = 1; h <= 6; ++h) v += std::sin(2 * PI * 55.0f * h * t) / float(h);
        s[i] = throb * v * 0.5f + noise[i] * 1.5f;
    }
    Samples loop = MakeLoop(s, fade);
    Normalize(loop, 0.5f);
    return loop;
}

Samples SteamChuff() {
    const int fade = RATE / 20;
    Samples s(RATE + fade, 0.0f);
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = float(i) / RATE;
        const float phase = std::fmod(t * 4.0f, 1.0f);  // four beats a second
        const float env = std::exp(-phase * 9.0f) * std::min(1.0f, phase * 60.0f);
        s[i] = Noise(uint32_t(i), 13) * env;
    }
    LowPass(s, 1800);
    Samples loop = MakeLoop(s, fade);
    Normalize(loop, 0.5f);
    return loop;
}

Samples WheelClatter() {
    const int fade = RATE / 20;
    const float len = 1.2f;
    Samples s(int(len * RATE) + fade, 0.0f);
    Samples rumble(s.size());
    for (size_t i = 0; i < s.size(); ++i) rumble[i] = Noise(uint32_t(i), 17);
    LowPass(rumble, 120);
    const float clicks[] = {0.0f, 0.11f, 0.6f, 0.71f};
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = std::fmod(float(i) / RATE, len);
        float v = rumble[i] * 2.5f;
        for (float c : clicks) {
            const float d = t - c;
            if (d >= 0 && d < 0.05f) v += std::sin(2 * PI * 320 * d) * std::exp(-d * 90) * 0.7f;
        }
        s[i] = v;
    }
    Samples loop = MakeLoop(s, fade);
    Normalize(loop, 0.45f);
    return loop;
}

Samples FactoryHum() {
    const int fade = RATE / 10;
    Samples s(2 * RATE + fade, 0.0f);
    for (size_t i = 0; i < s.size(); ++i) {
        const float t = float(i) / RATE;
        const float beat = std::fmod(t, 1.0f);
        float v = std::sin(2 * PI * 100 * t) * 0.3f + std::sin(2 * PI * 150 * t) * 0.15f;
        v += std::sin(2 * PI * 60 * beat) * std::exp(-beat * 18) * 0.8f;
        s[i] = v + Noise(uint32_t(i), 19) * 0.05f;
    }
    Samples loop = MakeLoop(s, fade);
    Normalize(loop, 0.4f);
    return loop;
}

Samples FireCrackle() {
    const int fade = RATE / 10;
    Samples s(2 * RATE + fade, 0.0f);
    Samples base(s.size());
    for (size_t i = 0; i < s.size(); ++i) base[i] = Noise(uint32_t(i), 23);
    LowPass(base, 500);
    for (size_t i = 0; i < s.size(); ++i) {
        float v = base[i] * 1.5f;
        // Pops at random places.
        const uint32_t slot = uint32_t(i) / 700;
        if (Hash01(slot, 29) > 0.8f) {
            const float d = float(i % 700) / RATE;
            v += Noise(uint32_t(i), 31) * std::exp(-d * 400) * 0.9f;
        }
        s[i] = v;
    }
    Samples loop = MakeLoop(s, fade);
    Normalize(loop, 0.4f);
    return loop;
}

Samples StationChime() {
    Samples s(int(1.8f * RATE), 0.0f);
    AddBell(s, 0.0f, 659.25f, 0.5f, 0.6f);
    AddBell(s, 0.45f, 523.25f, 0.5f, 0.8f);
    Normalize(s, 0.5f);
    return s;
}

bool WriteSounds(const std::string& out) {
    struct Sound {
        const char* file;
        Samples (*make)();
    } sounds[] = {
        {"fokep.wav", MenuChime},          {"switch.wav", SwitchClick},   {"bell.wav", CrossingBell},
        {"whistle.wav", Whistle},          {"diesel.wav", DieselHum},     {"steam.wav", SteamChuff},
        {"wheels.wav", WheelClatter},      {"factory.wav", FactoryHum},   {"fire.wav", FireCrackle},
        {"station.wav", StationChime},
    };
    bool ok = true;
    for (const Sound& s : sounds) ok = WriteBytes(out + "/Sounds/" + s.file, EncodeWav(s.make())) && ok;
    // Sound name, WAV file, mode ("loop", "control", "rnd<seconds>" or plain).
    const char* list =
        "fokep Sounds\\fokep.wav once\r\n"
        "switchkey Sounds\\switch.wav once\r\n"
        "barclose Sounds\\bell.wav once\r\n"
        "barclose2 Sounds\\bell.wav once\r\n"
        "1250 Sounds\\whistle.wav once\r\n"
        "1201 Sounds\\steam.wav loop\r\n"
        "1202 Sounds\\diesel.wav loop\r\n"
        "1203 Sounds\\diesel.wav loop\r\n"
        "1350 Sounds\\wheels.wav loop\r\n"
        "2602 Sounds\\factory.wav loop\r\n"
        "3662 Sounds\\fire.wav loop\r\n"
        "5001 Sounds\\station.wav rnd30\r\n"
        "7020 Sounds\\whistle.wav control\r\n";
    ok = WriteBytes(out + "/soundsources.list", list) && ok;
    return ok;
}

}  // namespace

VEL_CONTENT_GENERATOR("60_sounds", WriteSounds);

}  // namespace content
