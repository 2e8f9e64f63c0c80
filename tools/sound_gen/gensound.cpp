// gensound: writes RIFF wave and Ogg Vorbis files of generated sound, for the
// sample game's music and effects and for the tests' fixtures.
//
//   gensound wav|ogg OUT [options]
// What is generated (16-bit samples, the same on every channel unless said):
//   --rate N           22050 (default) or any rate
//   --channels N       1 or 2 (default 2)
//   --seconds S | --frames N    length (default 1 second)
//   --wave KIND        sine (default), square, triangle, saw, noise, chirp,
//                      ramp, const, silence
//       ramp:  frame i, channel c holds (i * 37 + c * 12345) mod 65536 as a
//              signed 16-bit value: every sample differs from its
//              neighbours, for bit-exact comparisons.
//       const: every sample is --level.
//       chirp: sine sweeping from --freq to --freq2.
//   --freq F (440)  --freq2 F (--freq * 4)  --amp A (0..1, default 0.5)
//   --level N          the value of const (default 1000)
//   --seed N           the noise's seed (default 1)
//   --envelope KIND    none (default), decay (exponential), fade (10 ms in
//                      and out)
//   --notes LIST       a tune instead of --wave: NOTE:BEATS,... with NOTE a
//                      name as C4, F#3, Bb5, or R for a rest; each note a
//                      sine with two overtones and its own decay
//   --tempo BPM        beats a minute for --notes (default 120)
//   --tune N           a tune of --seconds made from the number N: a melody
//                      over a bass in one of five keys, phrases of four bars
//   --syllables N      a voice-like line of N syllables instead of --wave: a
//                      voiced buzz through vowel formants, the pitch gliding
//                      down over each syllable, short pauses between words
//   --cog FILE         also write the mouth timing of the sound: the stretches
//                      of at least 60 ms whose loudness (20 ms windows) stays
//                      below a tenth of the peak, as pairs of milliseconds
//                      (at most 16), after a 20-byte header, ended by the
//                      pair 0xFFFFFFFF 0xFFFFFFFF
// Wave files only (broken or unusual files for the tests):
//   --bits 8|16        8-bit writes unsigned samples (default 16)
//   --tag N            the format tag (default 1, PCM)
//   --fmt-size N       14, 16 (default), 18 (cbSize 0) or 40 (extensible,
//                      tag 0xFFFE, PCM sub-format unless --tag says otherwise)
//   --list-before-fmt  a "LIST" chunk of 7 bytes (odd: padded) after "WAVE"
//   --chunk-before-data ID:SIZE   a chunk of SIZE zero bytes before "data"
//                      (an odd SIZE gets its pad byte)
//   --fmt-after-data   "fmt " after the "data" chunk
//   --data-size N      store N as the data chunk's size
//   --cut N            cut N bytes off the end of the file (sizes unchanged)
// Ogg files only:
//   --quality Q        Vorbis VBR quality -0.1..1 (default 0.4)
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Options {
  std::string kind, out;
  long rate = 22050;
  int channels = 2;
  double seconds = 1.0;
  long long frames = -1;
  std::string wave = "sine";
  double freq = 440, freq2 = -1, amp = 0.5;
  int level = 1000;
  unsigned seed = 1;
  std::string envelope = "none";
  std::string notes;
  double tempo = 120;
  int tune = -1;
  int syllables = 0;
  std::string cog;
  int bits = 16;
  int tag = 1;
  int fmtSize = 16;
  bool listBeforeFmt = false;
  std::string chunkBeforeData;
  bool fmtAfterData = false;
  long long dataSize = -1;
  long long cut = 0;
  double quality = 0.4;
};

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "gensound: %s\n", why.c_str());
  std::exit(2);
}

const double kPi = 3.14159265358979323846;

// ------------------------------------------------------------ synthesis

double NoteFrequency(const std::string& name) {
  static const int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G from C
  if (name.empty() || name[0] < 'A' || name[0] > 'G') Fail("bad note " + name);
  int semi = kSemitone[name[0] - 'A'];
  std::size_t i = 1;
  if (i < name.size() && name[i] == '#') ++semi, ++i;
  else if (i < name.size() && name[i] == 'b') --semi, ++i;
  if (i >= name.size()) Fail("note without octave: " + name);
  const int octave = std::atoi(name.c_str() + i);
  const int midi = (octave + 1) * 12 + semi;
  return 440.0 * std::pow(2.0, (midi - 69) / 12.0);
}

std::int16_t Clip(double v) {
  long s = std::lround(v);
  if (s > 32767) s = 32767;
  if (s < -32768) s = -32768;
  return static_cast<std::int16_t>(s);
}

double Envelope(const Options& o, long long i, long long n) {
  const double t = static_cast<double>(i) / o.rate;
  if (o.envelope == "decay") return std::exp(-4.0 * t / std::max(1e-3, static_cast<double>(n) / o.rate));
  if (o.envelope == "fade") {
    const double edge = 0.010 * o.rate;
    const double in = std::min(1.0, i / edge), out = std::min(1.0, (n - 1 - i) / edge);
    return std::max(0.0, std::min(in, out));
  }
  return 1.0;
}


// A tune from a number: a melody of four-bar phrases over a walking bass,
// in the key and tempo the number picks.
std::vector<double> Tune(const Options& o) {
  static const int kScale[7] = {0, 2, 4, 5, 7, 9, 11};
  static const int kKeys[5] = {60, 62, 57, 65, 55};  // C D A F G (MIDI)
  static const int kChords[4][4] = {{0, 4, 5, 3}, {0, 5, 3, 4}, {5, 3, 0, 4}, {0, 3, 4, 0}};
  unsigned state = static_cast<unsigned>(o.tune) * 2654435761u + 17;
  auto next = [&state](int n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) % static_cast<unsigned>(n));
  };
  const int key = kKeys[o.tune % 5];
  const double bpm = 84 + 12 * (o.tune % 4);
  const double beat = 60.0 / bpm;
  const long long total = std::llround(o.seconds * o.rate);
  std::vector<double> mono(static_cast<std::size_t>(total), 0.0);
  auto midiHz = [](double m) { return 440.0 * std::pow(2.0, (m - 69) / 12.0); };
  auto note = [&](double start, double length, double hz, double gain, double decay) {
    const long long a = std::llround(start * o.rate), n = std::llround(length * o.rate);
    for (long long i = 0; i < n && a + i < total; ++i) {
      const double t = static_cast<double>(i) / o.rate;
      double v = std::sin(2 * kPi * hz * t) + 0.25 * std::sin(4 * kPi * hz * t) + 0.08 * std::sin(6 * kPi * hz * t);
      const double attack = std::min(1.0, t / 0.008), release = std::min(1.0, (n - 1 - i) / (0.03 * o.rate));
      mono[static_cast<std::size_t>(a + i)] += v * gain * attack * std::max(0.0, release) * std::exp(-decay * t);
    }
  };
  const int* chords = kChords[o.tune % 4];
  int degree = 2 + next(3);
  for (int bar = 0; bar * 4 * beat < o.seconds; ++bar) {
    const double at = bar * 4 * beat;
    const int root = chords[bar % 4];
    // The bass: the chord's root and fifth, a beat each.
    for (int b = 0; b < 4; ++b) {
      const int d = root + (b % 2 ? 4 : 0);
      note(at + b * beat, beat * 0.95, midiHz(key - 24 + kScale[d % 7] + 12 * (d / 7)), 0.35, 1.5);
    }
    // The melody: steps near the last note, held longer at a phrase's end.
    double t = 0;
    while (t < 4 - 1e-9) {
      double len = (bar % 4 == 3 && t >= 2) ? 2.0 : (next(3) == 0 ? 1.0 : 0.5);
      if (t + len > 4) len = 4 - t;
      degree += next(5) - 2;
      if (degree < 0) degree = 1;
      if (degree > 11) degree = 10;
      if (next(7) != 0) note(at + t * beat, len * beat, midiHz(key + kScale[degree % 7] + 12 * (degree / 7)), 0.5, 2.0);
      t += len;
    }
  }
  return mono;
}

// A voice-like line: each syllable a glottal buzz (harmonics of a pitch that
// glides down) shaped by two vowel formants, with a soft onset and end;
// every third syllable is followed by a pause.
std::vector<double> Syllables(const Options& o) {
  static const double kVowels[5][2] = {{800, 1200}, {350, 2300}, {350, 1300}, {500, 1900}, {450, 850}};  // a i u e o
  unsigned state = o.seed * 2654435761u + 3;
  auto next = [&state](int n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) % static_cast<unsigned>(n));
  };
  std::vector<double> mono(static_cast<std::size_t>(0.08 * o.rate), 0.0);
  const double base = o.freq > 0 ? o.freq : 220;
  for (int s = 0; s < o.syllables; ++s) {
    const double* f = kVowels[next(5)];
    const double len = 0.14 + 0.02 * next(5);
    const long long n = std::llround(len * o.rate);
    const double p0 = base * (1.1 - 0.05 * (s % 3)), p1 = p0 * 0.85;
    double phase = 0;
    for (long long i = 0; i < n; ++i) {
      const double u = static_cast<double>(i) / n;
      const double pitch = p0 + (p1 - p0) * u;
      phase += pitch / o.rate;
      double v = 0;
      for (int h = 1; h * pitch < 4000; ++h) {
        const double hz = h * pitch;
        const double g1 = 1.0 / (1.0 + std::pow((hz - f[0]) / 120.0, 2)), g2 = 0.6 / (1.0 + std::pow((hz - f[1]) / 180.0, 2));
        v += (g1 + g2 + 0.02) * std::sin(2 * kPi * h * phase) / h;
      }
      const double shape = std::sin(kPi * std::min(1.0, u * 1.3)) * std::min(1.0, (1 - u) * 8);
      mono.push_back(0.9 * v * std::max(0.0, shape));
    }
    const double gap = (s % 3 == 2) ? 0.22 : 0.03;
    mono.insert(mono.end(), static_cast<std::size_t>(gap * o.rate), 0.0);
  }
  double peak = 1e-9;
  for (double v : mono) peak = std::max(peak, std::fabs(v));
  for (double& v : mono) v /= peak;
  return mono;
}

std::vector<std::int16_t> Spread(const Options& o, const std::vector<double>& mono) {
  std::vector<std::int16_t> out;
  out.reserve(mono.size() * o.channels);
  for (double v : mono)
    for (int c = 0; c < o.channels; ++c) out.push_back(Clip(v * o.amp * 32767.0));
  return out;
}

// Interleaved samples, frames x channels.
std::vector<std::int16_t> Generate(const Options& o) {
  if (o.tune >= 0) return Spread(o, Tune(o));
  if (o.syllables > 0) return Spread(o, Syllables(o));
  if (!o.notes.empty()) {
    std::vector<double> mono;
    std::size_t p = 0;
    while (p < o.notes.size()) {
      std::size_t comma = o.notes.find(',', p);
      std::string item = o.notes.substr(p, comma == std::string::npos ? std::string::npos : comma - p);
      p = comma == std::string::npos ? o.notes.size() : comma + 1;
      const std::size_t colon = item.find(':');
      if (colon == std::string::npos) Fail("note without length: " + item);
      const std::string name = item.substr(0, colon);
      const double beats = std::atof(item.c_str() + colon + 1);
      const long long n = std::llround(beats * 60.0 / o.tempo * o.rate);
      const double f = name == "R" ? 0 : NoteFrequency(name);
      for (long long i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / o.rate;
        double v = 0;
        if (f > 0) {
          v = std::sin(2 * kPi * f * t) + 0.3 * std::sin(4 * kPi * f * t) + 0.1 * std::sin(6 * kPi * f * t);
          const double attack = std::min(1.0, t / 0.01);
          const double release = std::min(1.0, (n - 1 - i) / (0.02 * o.rate));
          v *= attack * std::max(0.0, release) * std::exp(-2.5 * t) / 1.4;
        }
        mono.push_back(v);
      }
    }
    std::vector<std::int16_t> out;
    out.reserve(mono.size() * o.channels);
    for (double v : mono)
      for (int c = 0; c < o.channels; ++c) out.push_back(Clip(v * o.amp * 32767.0));
    return out;
  }

  const long long n = o.frames >= 0 ? o.frames : std::llround(o.seconds * o.rate);
  std::vector<std::int16_t> out(static_cast<std::size_t>(n) * o.channels);
  unsigned state = o.seed;
  const double f2 = o.freq2 > 0 ? o.freq2 : o.freq * 4;
  double phase = 0;
  for (long long i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / o.rate;
    double v = 0;  // -1..1 before the amplitude
    bool raw = false;
    std::int16_t rawValue[2] = {0, 0};
    if (o.wave == "sine") {
      v = std::sin(2 * kPi * o.freq * t);
    } else if (o.wave == "square") {
      v = std::fmod(o.freq * t, 1.0) < 0.5 ? 1 : -1;
    } else if (o.wave == "triangle") {
      const double x = std::fmod(o.freq * t, 1.0);
      v = x < 0.5 ? 4 * x - 1 : 3 - 4 * x;
    } else if (o.wave == "saw") {
      v = 2 * std::fmod(o.freq * t, 1.0) - 1;
    } else if (o.wave == "noise") {
      state = state * 1103515245u + 12345u;
      v = static_cast<double>((state >> 8) & 0xFFFF) / 32768.0 - 1.0;
    } else if (o.wave == "chirp") {
      const double f = o.freq + (f2 - o.freq) * (n > 1 ? static_cast<double>(i) / (n - 1) : 0);
      phase += 2 * kPi * f / o.rate;
      v = std::sin(phase);
    } else if (o.wave == "ramp") {
      raw = true;
      for (int c = 0; c < 2; ++c)
        rawValue[c] = static_cast<std::int16_t>(static_cast<std::uint16_t>((i * 37 + c * 12345) & 0xFFFF));
    } else if (o.wave == "const") {
      raw = true;
      rawValue[0] = rawValue[1] = static_cast<std::int16_t>(o.level);
    } else if (o.wave == "silence") {
      v = 0;
    } else {
      Fail("unknown wave " + o.wave);
    }
    const double env = Envelope(o, i, n);
    for (int c = 0; c < o.channels; ++c)
      out[static_cast<std::size_t>(i) * o.channels + c] = raw ? rawValue[c] : Clip(v * env * o.amp * 32767.0);
  }
  return out;
}

// ------------------------------------------------------------ wave files

void Put16(std::string& s, unsigned v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& s, unsigned long v) {
  Put16(s, static_cast<unsigned>(v & 0xFFFF));
  Put16(s, static_cast<unsigned>((v >> 16) & 0xFFFF));
}
void Chunk(std::string& s, const char* id, const std::string& body, long long storedSize = -1) {
  s.append(id, 4);
  Put32(s, static_cast<unsigned long>(storedSize >= 0 ? storedSize : static_cast<long long>(body.size())));
  s += body;
  if (body.size() & 1) s.push_back('\0');
}

std::string WaveBytes(const Options& o, const std::vector<std::int16_t>& samples) {
  const unsigned align = static_cast<unsigned>(o.channels * o.bits / 8);
  std::string fmt;
  const bool extensible = o.fmtSize == 40;
  Put16(fmt, static_cast<unsigned>(extensible && o.tag == 1 ? 0xFFFE : o.tag));
  Put16(fmt, static_cast<unsigned>(o.channels));
  Put32(fmt, static_cast<unsigned long>(o.rate));
  Put32(fmt, static_cast<unsigned long>(o.rate) * align);
  Put16(fmt, align);
  if (o.fmtSize >= 16) Put16(fmt, static_cast<unsigned>(o.bits));
  if (o.fmtSize == 18) Put16(fmt, 0);
  if (extensible) {
    static const unsigned char kPcm[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                           0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    Put16(fmt, 22);
    Put16(fmt, static_cast<unsigned>(o.bits));
    Put32(fmt, o.channels == 1 ? 4 : 3);
    fmt.append(reinterpret_cast<const char*>(kPcm), 16);
    if (o.tag != 1) fmt[24] = static_cast<char>(o.tag & 0xFF);  // another sub-format
  }
  if (o.fmtSize != 14 && o.fmtSize != 16 && o.fmtSize != 18 && o.fmtSize != 40) Fail("bad --fmt-size");

  std::string data;
  for (std::int16_t s : samples) {
    if (o.bits == 8)
      data.push_back(static_cast<char>((s >> 8) + 128));
    else
      Put16(data, static_cast<std::uint16_t>(s));
  }

  std::string body = "WAVE";
  if (o.listBeforeFmt) Chunk(body, "LIST", std::string("INFOabc", 7));
  if (!o.fmtAfterData) Chunk(body, "fmt ", fmt);
  if (!o.chunkBeforeData.empty()) {
    const std::size_t colon = o.chunkBeforeData.find(':');
    if (colon != 4) Fail("--chunk-before-data wants ID:SIZE with a 4-letter id");
    Chunk(body, o.chunkBeforeData.substr(0, 4).c_str(), std::string(std::atoi(o.chunkBeforeData.c_str() + 5), '\0'));
  }
  Chunk(body, "data", data, o.dataSize);
  if (o.fmtAfterData) Chunk(body, "fmt ", fmt);
  std::string file;
  Chunk(file, "RIFF", body);
  if (o.cut > 0) file.resize(file.size() > static_cast<std::size_t>(o.cut) ? file.size() - o.cut : 0);
  return file;
}


// ------------------------------------------------------------ mouth timing

// The quiet stretches of the sound (the mouth at rest), from the loudness
// of 20 ms windows of the first channel.
std::string CogBytes(const Options& o, const std::vector<std::int16_t>& samples) {
  const std::size_t frames = samples.size() / o.channels;
  const std::size_t win = static_cast<std::size_t>(o.rate / 50);
  std::vector<double> loud;
  double peak = 1e-9;
  for (std::size_t at = 0; at < frames; at += win) {
    double sum = 0;
    std::size_t n = 0;
    for (std::size_t i = at; i < frames && i < at + win; ++i, ++n) {
      const double v = samples[i * o.channels];
      sum += v * v;
    }
    loud.push_back(std::sqrt(sum / std::max<std::size_t>(1, n)));
    peak = std::max(peak, loud.back());
  }
  std::vector<std::pair<unsigned long, unsigned long>> rests;
  std::size_t k = 0;
  while (k < loud.size() && rests.size() < 16) {
    if (loud[k] >= peak / 10) {
      ++k;
      continue;
    }
    std::size_t e = k;
    while (e < loud.size() && loud[e] < peak / 10) ++e;
    if ((e - k) * 20 >= 60) rests.emplace_back(static_cast<unsigned long>(k * 20), static_cast<unsigned long>(e * 20));
    k = e;
  }
  std::string out(20, '\0');
  for (const auto& r : rests) {
    Put32(out, r.first);
    Put32(out, r.second);
  }
  Put32(out, 0xFFFFFFFFul);
  Put32(out, 0xFFFFFFFFul);
  return out;
}

// ------------------------------------------------------------ Ogg Vorbis

std::string OggBytes(const Options& o, const std::vector<std::int16_t>& samples) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, o.channels, o.rate, static_cast<float>(o.quality)) != 0)
    Fail("the encoder refuses this rate, channel count or quality");
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "ENCODER", "kivzo gensound");
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, static_cast<int>(o.seed) ^ 0x6B76);

  std::string out;
  auto writePage = [&out](const ogg_page& og) {
    out.append(reinterpret_cast<const char*>(og.header), static_cast<std::size_t>(og.header_len));
    out.append(reinterpret_cast<const char*>(og.body), static_cast<std::size_t>(og.body_len));
  };
  ogg_packet header, comment, code;
  vorbis_analysis_headerout(&vd, &vc, &header, &comment, &code);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comment);
  ogg_stream_packetin(&os, &code);
  ogg_page og;
  while (ogg_stream_flush(&os, &og) != 0) writePage(og);

  const std::size_t frames = samples.size() / o.channels;
  std::size_t at = 0;
  bool eos = false;
  while (!eos) {
    const std::size_t n = std::min<std::size_t>(1024, frames - at);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (std::size_t i = 0; i < n; ++i)
        for (int c = 0; c < o.channels; ++c) buf[c][i] = samples[(at + i) * o.channels + c] / 32768.0f;
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      at += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op)) {
        ogg_stream_packetin(&os, &op);
        while (ogg_stream_pageout(&os, &og) != 0) {
          writePage(og);
          if (ogg_page_eos(&og)) eos = true;
        }
      }
    }
    if (n == 0) {
      while (ogg_stream_flush(&os, &og) != 0) {
        writePage(og);
        if (ogg_page_eos(&og)) eos = true;
      }
      eos = true;
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

Options Parse(int argc, char** argv) {
  if (argc < 3) Fail("usage: gensound wav|ogg OUT [options]");
  Options o;
  o.kind = argv[1];
  o.out = argv[2];
  if (o.kind != "wav" && o.kind != "ogg") Fail("the first argument is wav or ogg");
  for (int i = 3; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail(a + " needs a value");
      return argv[++i];
    };
    if (a == "--rate") o.rate = std::atol(value().c_str());
    else if (a == "--channels") o.channels = std::atoi(value().c_str());
    else if (a == "--seconds") o.seconds = std::atof(value().c_str());
    else if (a == "--frames") o.frames = std::atoll(value().c_str());
    else if (a == "--wave") o.wave = value();
    else if (a == "--freq") o.freq = std::atof(value().c_str());
    else if (a == "--freq2") o.freq2 = std::atof(value().c_str());
    else if (a == "--amp") o.amp = std::atof(value().c_str());
    else if (a == "--level") o.level = std::atoi(value().c_str());
    else if (a == "--seed") o.seed = static_cast<unsigned>(std::atol(value().c_str()));
    else if (a == "--envelope") o.envelope = value();
    else if (a == "--notes") o.notes = value();
    else if (a == "--tempo") o.tempo = std::atof(value().c_str());
    else if (a == "--tune") o.tune = std::atoi(value().c_str());
    else if (a == "--syllables") o.syllables = std::atoi(value().c_str());
    else if (a == "--cog") o.cog = value();
    else if (a == "--bits") o.bits = std::atoi(value().c_str());
    else if (a == "--tag") o.tag = std::atoi(value().c_str());
    else if (a == "--fmt-size") o.fmtSize = std::atoi(value().c_str());
    else if (a == "--list-before-fmt") o.listBeforeFmt = true;
    else if (a == "--chunk-before-data") o.chunkBeforeData = value();
    else if (a == "--fmt-after-data") o.fmtAfterData = true;
    else if (a == "--data-size") o.dataSize = std::atoll(value().c_str());
    else if (a == "--cut") o.cut = std::atoll(value().c_str());
    else if (a == "--quality") o.quality = std::atof(value().c_str());
    else Fail("unknown option " + a);
  }
  if (o.channels != 1 && o.channels != 2) Fail("--channels is 1 or 2");
  if (o.rate <= 0) Fail("bad --rate");
  if (o.bits != 8 && o.bits != 16) Fail("--bits is 8 or 16");
  if (o.tempo <= 0) Fail("bad --tempo");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  const std::vector<std::int16_t> samples = Generate(o);
  const std::string bytes = o.kind == "wav" ? WaveBytes(o, samples) : OggBytes(o, samples);
  std::FILE* f = std::fopen(o.out.c_str(), "wb");
  if (!f) Fail("cannot write " + o.out);
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (std::fclose(f) != 0 || !ok) Fail("cannot write " + o.out);
  if (!o.cog.empty()) {
    const std::string timing = CogBytes(o, samples);
    std::FILE* t = std::fopen(o.cog.c_str(), "wb");
    if (!t) Fail("cannot write " + o.cog);
    const bool written = std::fwrite(timing.data(), 1, timing.size(), t) == timing.size();
    if (std::fclose(t) != 0 || !written) Fail("cannot write " + o.cog);
  }
  return 0;
}
