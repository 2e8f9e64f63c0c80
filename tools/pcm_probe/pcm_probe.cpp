// pcm_probe: reads sound (the raw samples SDL's disk audio driver writes,
// RIFF wave files, Ogg Vorbis files) and answers what the sound tests ask
// of it: how loud it is and which notes it holds. The channels are mixed
// to one before anything is measured.
//
//   pcm_probe level FILE [range]
//       "RMS PEAK": the root mean square and the largest magnitude of the
//       samples, both 0..1 of full scale
//   pcm_probe notes FILE [range]
//       one line "NOTE HERTZ WINDOWS" per note, most frequent first: the
//       strongest frequency of each sounding window of 4096 frames (Hann
//       window, interpolated between bins), as a MIDI note number
//       (69 = A4 = 440 Hz) with the mean of its frequencies
//   pcm_probe match RECORDING SOURCE [range]
//       "SHARE TOP TOP_IN_SOURCE": the share (0..1) of the recording's
//       sounding windows whose note is one the source sounds (in at least
//       2 % of its windows), the recording's most frequent note, and the
//       share of the source's sounding windows that hold that note; the
//       range applies to the recording only
//
// range: --from S --to S (seconds); a raw file is read as signed 16-bit
// little-endian samples at --rate N (44100) with --channels N (2).
// A window sounds when its RMS is at least a tenth of the loudest window's
// and at least 0.002. Exit status 0 with the answer on stdout; 2 with a
// reason on stderr for a file that cannot be read or a bad request.
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "pcm_probe: %s\n", why.c_str());
  std::exit(2);
}

struct Sound {
  long rate = 44100;
  std::vector<float> mono;  // -1..1
};

struct Options {
  long rate = 44100;
  int channels = 2;
  double from = 0, to = -1;
};

bool EndsWith(const std::string& s, const char* tail) {
  const std::size_t n = std::strlen(tail);
  if (s.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - n + i])) != tail[i]) return false;
  return true;
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot open " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void MixInterleaved(const std::int16_t* s, std::size_t frames, int channels, Sound* out) {
  out->mono.reserve(out->mono.size() + frames);
  for (std::size_t f = 0; f < frames; ++f) {
    float sum = 0;
    for (int c = 0; c < channels; ++c) sum += s[f * channels + c];
    out->mono.push_back(sum / channels / 32768.0f);
  }
}

std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

Sound ReadWave(const std::string& path) {
  const std::vector<std::uint8_t> b = ReadAll(path);
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
    Fail(path + " is not a RIFF wave file");
  Sound s;
  int channels = 0, bits = 0;
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::uint32_t size = Le(b, at + 4, 4);
    const std::size_t body = at + 8;
    if (size > b.size() - body) Fail(path + ": a chunk runs past the end");
    if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16) {
      channels = static_cast<int>(Le(b, body + 2, 2));
      s.rate = static_cast<long>(Le(b, body + 4, 4));
      bits = static_cast<int>(Le(b, body + 14, 2));
    } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
      if (bits != 16 || channels < 1) Fail(path + ": not 16-bit PCM");
      std::vector<std::int16_t> samples(size / 2);
      std::memcpy(samples.data(), b.data() + body, samples.size() * 2);
      MixInterleaved(samples.data(), samples.size() / channels, channels, &s);
      return s;
    }
    at = body + size + (size & 1);
  }
  Fail(path + ": no data chunk");
}

Sound ReadOgg(const std::string& path) {
  OggVorbis_File vf;
  if (ov_fopen(path.c_str(), &vf) != 0) Fail(path + " is not an Ogg Vorbis file");
  const vorbis_info* info = ov_info(&vf, -1);
  Sound s;
  s.rate = info->rate;
  const int channels = info->channels;
  std::vector<char> buf(1 << 15);
  int section = 0;
  for (;;) {
    const long got = ov_read(&vf, buf.data(), static_cast<int>(buf.size()), 0, 2, 1, &section);
    if (got < 0) {
      ov_clear(&vf);
      Fail(path + ": a decoding error");
    }
    if (got == 0) break;
    std::vector<std::int16_t> samples(static_cast<std::size_t>(got) / 2);
    std::memcpy(samples.data(), buf.data(), samples.size() * 2);
    MixInterleaved(samples.data(), samples.size() / channels, channels, &s);
  }
  ov_clear(&vf);
  return s;
}

Sound ReadRaw(const std::string& path, const Options& o) {
  const std::vector<std::uint8_t> b = ReadAll(path);
  Sound s;
  s.rate = o.rate;
  std::vector<std::int16_t> samples(b.size() / 2);
  std::memcpy(samples.data(), b.data(), samples.size() * 2);
  MixInterleaved(samples.data(), samples.size() / o.channels, o.channels, &s);
  return s;
}

Sound Read(const std::string& path, const Options& o, bool ranged) {
  Sound s = EndsWith(path, ".wav") ? ReadWave(path) : EndsWith(path, ".ogg") ? ReadOgg(path) : ReadRaw(path, o);
  if (ranged) {
    const std::size_t n = s.mono.size();
    const std::size_t a = std::min(n, static_cast<std::size_t>(std::max(0.0, o.from) * s.rate));
    const std::size_t e = o.to < 0 ? n : std::min(n, static_cast<std::size_t>(o.to * s.rate));
    s.mono = e > a ? std::vector<float>(s.mono.begin() + a, s.mono.begin() + e) : std::vector<float>{};
  }
  return s;
}

constexpr std::size_t kWindow = 4096;
const double kPi = 3.14159265358979323846;

void Fft(std::vector<std::complex<double>>& a) {
  const std::size_t n = a.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(a[i], a[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    const std::complex<double> w = std::polar(1.0, -2 * kPi / static_cast<double>(len));
    for (std::size_t i = 0; i < n; i += len) {
      std::complex<double> wk = 1;
      for (std::size_t k = 0; k < len / 2; ++k) {
        const std::complex<double> u = a[i + k], v = a[i + k + len / 2] * wk;
        a[i + k] = u + v;
        a[i + k + len / 2] = u - v;
        wk *= w;
      }
    }
  }
}

double Rms(const float* p, std::size_t n) {
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += static_cast<double>(p[i]) * p[i];
  return n ? std::sqrt(sum / static_cast<double>(n)) : 0;
}

// The strongest frequency of one window between 50 Hz and 5 kHz.
double Dominant(const float* p, long rate) {
  std::vector<std::complex<double>> a(kWindow);
  for (std::size_t i = 0; i < kWindow; ++i) a[i] = p[i] * (0.5 - 0.5 * std::cos(2 * kPi * static_cast<double>(i) / kWindow));
  Fft(a);
  const double binHz = static_cast<double>(rate) / kWindow;
  const std::size_t lo = static_cast<std::size_t>(50 / binHz) + 1;
  const std::size_t hi = std::min(kWindow / 2 - 1, static_cast<std::size_t>(5000 / binHz));
  std::size_t best = lo;
  for (std::size_t k = lo; k <= hi; ++k)
    if (std::abs(a[k]) > std::abs(a[best])) best = k;
  const double l = std::abs(a[best - 1]), m = std::abs(a[best]), r = std::abs(a[best + 1]);
  const double den = l - 2 * m + r;
  const double shift = den != 0 ? 0.5 * (l - r) / den : 0;
  return (static_cast<double>(best) + shift) * binHz;
}

struct NoteCount {
  int note = 0, windows = 0;
  double hz = 0;
};

// The notes of the sounding windows, most frequent first (ties: lower first).
std::vector<NoteCount> Notes(const Sound& s, int* sounding) {
  const std::size_t windows = s.mono.size() / kWindow;
  double loudest = 0;
  for (std::size_t w = 0; w < windows; ++w) loudest = std::max(loudest, Rms(&s.mono[w * kWindow], kWindow));
  const double floor = std::max(0.002, loudest / 10);
  std::map<int, NoteCount> byNote;
  *sounding = 0;
  for (std::size_t w = 0; w < windows; ++w) {
    const float* p = &s.mono[w * kWindow];
    if (Rms(p, kWindow) < floor) continue;
    const double hz = Dominant(p, s.rate);
    const int note = static_cast<int>(std::lround(69 + 12 * std::log2(hz / 440)));
    NoteCount& c = byNote[note];
    c.note = note;
    c.hz += hz;
    ++c.windows;
    ++*sounding;
  }
  std::vector<NoteCount> out;
  for (auto& [note, c] : byNote) {
    c.hz /= c.windows;
    out.push_back(c);
  }
  std::stable_sort(out.begin(), out.end(), [](const NoteCount& a, const NoteCount& b) { return a.windows > b.windows; });
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) Fail("usage: pcm_probe level|notes FILE [options] | match RECORDING SOURCE [options]");
  const std::string cmd = argv[1];
  std::vector<std::string> files;
  Options o;
  bool ranged = false;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> double {
      if (i + 1 >= argc) Fail(a + " needs a value");
      return std::atof(argv[++i]);
    };
    if (a == "--from") {
      o.from = value();
      ranged = true;
    } else if (a == "--to") {
      o.to = value();
      ranged = true;
    } else if (a == "--rate") {
      o.rate = static_cast<long>(value());
    } else if (a == "--channels") {
      o.channels = static_cast<int>(value());
    } else {
      files.push_back(a);
    }
  }
  if (o.rate < 1000 || o.channels < 1 || o.channels > 8) Fail("a bad rate or channel count");
  if (cmd == "level" && files.size() == 1) {
    const Sound s = Read(files[0], o, ranged);
    double peak = 0;
    for (float v : s.mono) peak = std::max(peak, static_cast<double>(std::fabs(v)));
    std::printf("%.5f %.5f\n", Rms(s.mono.data(), s.mono.size()), peak);
    return 0;
  }
  if (cmd == "notes" && files.size() == 1) {
    int sounding = 0;
    for (const NoteCount& c : Notes(Read(files[0], o, ranged), &sounding))
      std::printf("%d %.1f %d\n", c.note, c.hz, c.windows);
    return 0;
  }
  if (cmd == "match" && files.size() == 2) {
    int heard = 0, played = 0;
    const std::vector<NoteCount> rec = Notes(Read(files[0], o, ranged), &heard);
    const std::vector<NoteCount> src = Notes(Read(files[1], o, false), &played);
    if (played == 0) Fail(files[1] + " sounds nowhere");
    int matching = 0, topInSource = 0;
    for (const NoteCount& r : rec)
      for (const NoteCount& s : src)
        if (s.note == r.note && s.windows * 50 >= played) matching += r.windows;
    for (const NoteCount& s : src)
      if (!rec.empty() && s.note == rec[0].note) topInSource = s.windows;
    std::printf("%.3f %d %.3f\n", heard ? static_cast<double>(matching) / heard : 0.0, rec.empty() ? -1 : rec[0].note,
                static_cast<double>(topInSource) / played);
    return 0;
  }
  Fail("bad request: " + cmd);
}
