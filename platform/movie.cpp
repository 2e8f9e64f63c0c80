#include "platform/movie.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/file.h"
#include "platform/sound_device.h"
#include "platform/thread.h"
#include "platform/time.h"

namespace pl {
namespace {

constexpr int kIoBufferBytes = 32768;
// Bounds on the work of one call, so that a damaged file that never yields a
// frame costs a bounded pass and not a hang.
constexpr int kMaxPacketsPerFrame = 4096;
constexpr int kMaxFramesPerUpdate = 1 << 16;
constexpr int kMaxBadFrames = 64;

// The sound buffer: half a second of 44.1 kHz stereo, refilled a half at a
// time as the cursor enters the other half.
constexpr std::uint32_t kSoundRate = 44100;
// The sound a movie may carry: 1 kHz to 384 kHz, up to 64 channels.
constexpr int kMinSourceRate = 1000;
constexpr int kMaxSourceRate = 384000;
constexpr int kMaxSourceChannels = 64;
constexpr std::uint32_t kRingBytes = kSoundRate * 4 / 2;
constexpr std::uint32_t kHalfBytes = kRingBytes / 2;
enum : int { kEventHalf0 = 0, kEventHalf1 = 1, kEventQuit = 2 };

constexpr AVRational kUnits{1, static_cast<int>(MovieStream::kUnitsPerSecond)};

void QuietLibraries() {
  // The decoder's own log would print a line for every flaw of a damaged
  // file; the players report what matters themselves.
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

class FileSource final : public MovieSource {
 public:
  bool Open(std::string_view gamePath) { return file_.OpenRead(gamePath); }
  std::int64_t Size() const override { return file_.Size(); }
  std::int64_t ReadAt(std::int64_t offset, void* buf, std::size_t n) const override {
    return file_.ReadAt(offset, buf, n);
  }

 private:
  File file_;
};

class MemorySource final : public MovieSource {
 public:
  explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
  std::int64_t ReadAt(std::int64_t offset, void* buf, std::size_t n) const override {
    if (offset < 0) return -1;
    if (static_cast<std::uint64_t>(offset) >= bytes_.size()) return 0;
    const std::size_t take = std::min(n, bytes_.size() - static_cast<std::size_t>(offset));
    std::memcpy(buf, bytes_.data() + offset, take);
    return static_cast<std::int64_t>(take);
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

// A container may name other files (playlists, references); a movie is
// one file, and nothing beside it is opened on its behalf.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

// One demuxer and decoder over the source for one kind of stream. The
// picture and the sound each have their own, so that each is read at its
// own pace and seeks without disturbing the other.
struct Track {
  std::shared_ptr<MovieSource> source;
  std::int64_t pos = 0;
  AVIOContext* io = nullptr;
  AVFormatContext* fmt = nullptr;
  AVCodecContext* dec = nullptr;
  AVPacket* pkt = nullptr;
  int index = -1;
  AVRational tb{1, 1};
  std::int64_t origin = 0;  // the movie's start, in the stream's time base
  bool demuxEnd = false;
  bool decodeEnd = false;

  Track() = default;
  Track(const Track&) = delete;
  Track& operator=(const Track&) = delete;
  ~Track() { Close(); }

  static int Read(void* opaque, std::uint8_t* buf, int size) {
    auto* t = static_cast<Track*>(opaque);
    if (size <= 0) return 0;
    const std::int64_t n = t->source->ReadAt(t->pos, buf, static_cast<std::size_t>(size));
    if (n < 0) return AVERROR(EIO);
    if (n == 0) return AVERROR_EOF;
    t->pos += n;
    return static_cast<int>(n);
  }

  static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
    auto* t = static_cast<Track*>(opaque);
    const std::int64_t size = t->source->Size();
    std::int64_t to = 0;
    switch (whence & ~AVSEEK_FORCE) {
      case AVSEEK_SIZE:
        return size;
      case SEEK_SET:
        to = offset;
        break;
      case SEEK_CUR:
        if (__builtin_add_overflow(t->pos, offset, &to)) return AVERROR(EINVAL);
        break;
      case SEEK_END:
        if (size < 0 || __builtin_add_overflow(size, offset, &to)) return AVERROR(EINVAL);
        break;
      default:
        return AVERROR(EINVAL);
    }
    if (to < 0) return AVERROR(EINVAL);
    t->pos = to;
    return to;
  }

  void Close() {
    avcodec_free_context(&dec);
    av_packet_free(&pkt);
    avformat_close_input(&fmt);
    if (io) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
    source.reset();
    pos = 0;
    index = -1;
    demuxEnd = decodeEnd = false;
  }

  // Opens the container and the best stream of `type`. *found tells whether
  // the container has such a stream at all. `probed` is another track's
  // demuxer over the same bytes, when there is one: the container is not
  // probed again, and the streams' parameters are the ones it found, as long
  // as the new demuxer sees the same streams (a container that finds its
  // streams only while reading is probed again).
  MovieOpenResult Open(std::shared_ptr<MovieSource> src, AVMediaType type, bool* found,
                       const AVFormatContext* probed = nullptr) {
    Close();
    *found = false;
    source = std::move(src);
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferBytes));
    if (!buffer) return MovieOpenResult::Unreadable;
    io = avio_alloc_context(buffer, kIoBufferBytes, 0, this, &Track::Read, nullptr, &Track::Seek);
    if (!io) {
      av_free(buffer);
      return MovieOpenResult::Unreadable;
    }
    fmt = avformat_alloc_context();
    if (!fmt) return MovieOpenResult::Unreadable;
    fmt->pb = io;
    fmt->flags |= AVFMT_FLAG_CUSTOM_IO;
    fmt->io_open = &RefuseNestedOpen;
    fmt->protocol_whitelist = av_strdup("none");
    if (avformat_open_input(&fmt, nullptr, probed ? probed->iformat : nullptr, nullptr) < 0)
      return MovieOpenResult::Unreadable;
    const bool same = SameStreams(probed);
    if (!same && !FindStreamInfo()) return MovieOpenResult::Unreadable;
    const AVFormatContext* info = same ? probed : fmt;
    const AVCodec* codec = nullptr;
    const int best = av_find_best_stream(const_cast<AVFormatContext*>(info), type, -1, -1, &codec, 0);
    if (best == AVERROR_STREAM_NOT_FOUND) return MovieOpenResult::Ok;
    *found = true;
    if (best < 0 || !codec) return MovieOpenResult::NoDecoder;
    index = best;
    const AVStream* st = info->streams[index];
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
      if (static_cast<int>(i) != index) fmt->streams[i]->discard = AVDISCARD_ALL;
    }
    tb = st->time_base;
    if (tb.num <= 0 || tb.den <= 0) return MovieOpenResult::NoDecoder;
    origin = info->start_time != AV_NOPTS_VALUE ? av_rescale_q(info->start_time, AV_TIME_BASE_Q, tb) : 0;
    dec = avcodec_alloc_context3(codec);
    pkt = av_packet_alloc();
    if (!dec || !pkt) return MovieOpenResult::NoDecoder;
    if (avcodec_parameters_to_context(dec, st->codecpar) < 0) return MovieOpenResult::NoDecoder;
    dec->pkt_timebase = tb;
    dec->thread_count = 1;
    dec->max_pixels = static_cast<std::int64_t>(MovieStream::kMaxSide) * MovieStream::kMaxSide;
    if (avcodec_open2(dec, codec, nullptr) < 0) return MovieOpenResult::NoDecoder;
    return MovieOpenResult::Ok;
  }

  // Whether this demuxer, just opened, holds the streams `probed` has found:
  // as many, each of the same kind, codec and time base.
  bool SameStreams(const AVFormatContext* probed) const {
    if (!probed || !fmt || fmt->iformat != probed->iformat || fmt->nb_streams != probed->nb_streams ||
        fmt->nb_streams == 0)
      return false;
    for (unsigned i = 0; i < fmt->nb_streams; ++i) {
      const AVStream* a = fmt->streams[i];
      const AVStream* b = probed->streams[i];
      if (a->codecpar->codec_type != b->codecpar->codec_type || a->codecpar->codec_id != b->codecpar->codec_id ||
          av_cmp_q(a->time_base, b->time_base) != 0)
        return false;
    }
    return true;
  }

  // Probing decodes a little of each stream: its decoders get the same
  // bound on the picture size as ours, so a header that claims a vast
  // picture costs nothing.
  bool FindStreamInfo() {
    std::vector<AVDictionary*> options(fmt->nb_streams, nullptr);
    char maxPixels[32];
    std::snprintf(maxPixels, sizeof maxPixels, "%lld",
                  static_cast<long long>(MovieStream::kMaxSide) * MovieStream::kMaxSide);
    for (AVDictionary*& d : options) {
      av_dict_set(&d, "max_pixels", maxPixels, 0);
      av_dict_set(&d, "threads", "1", 0);
    }
    const int r = avformat_find_stream_info(fmt, options.empty() ? nullptr : options.data());
    for (AVDictionary*& d : options) av_dict_free(&d);
    return r >= 0;
  }

  // The next decoded frame; false at the end of the stream, or when a
  // bounded run of packets gave none (decodeEnd tells which).
  bool NextFrame(AVFrame* out) {
    if (!dec || decodeEnd) return false;
    for (int packets = 0; packets < kMaxPacketsPerFrame;) {
      const int r = avcodec_receive_frame(dec, out);
      if (r == 0) return true;
      if (r == AVERROR_EOF || (r == AVERROR(EAGAIN) && demuxEnd)) {
        decodeEnd = true;
        return false;
      }
      if (r != AVERROR(EAGAIN)) {
        // A damaged frame: the decoder goes on with the next one.
        ++packets;
        continue;
      }
      const int rr = av_read_frame(fmt, pkt);
      ++packets;
      if (rr == AVERROR(EAGAIN)) continue;
      if (rr < 0) {
        demuxEnd = true;
        avcodec_send_packet(dec, nullptr);
        continue;
      }
      if (pkt->stream_index == index) avcodec_send_packet(dec, pkt);  // a bad packet is skipped
      av_packet_unref(pkt);
    }
    return false;
  }

  // A frame's time in 100-ns units from the movie's start; -1 when it has
  // none (or none that can be represented).
  std::int64_t TimeOf(const AVFrame* f) const {
    std::int64_t ts = f->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) ts = f->pts;
    if (ts == AV_NOPTS_VALUE) return -1;
    std::int64_t rel = 0;
    if (__builtin_sub_overflow(ts, origin, &rel)) return -1;
    const std::int64_t t = av_rescale_q(rel, tb, kUnits);
    return t == AV_NOPTS_VALUE ? -1 : t;
  }

  // Back to the key frame at or before `time`; the frames up to it are
  // decoded (and dropped) by the caller.
  bool SeekTo(std::int64_t time) {
    if (!fmt || !dec) return false;
    std::int64_t ts = 0;
    if (__builtin_add_overflow(av_rescale_q(time, kUnits, tb), origin, &ts)) ts = origin;
    int r = av_seek_frame(fmt, index, ts, AVSEEK_FLAG_BACKWARD);
    if (r < 0) r = avformat_seek_file(fmt, index, INT64_MIN, ts, ts, 0);
    if (r < 0 && time <= 0) r = av_seek_frame(fmt, index, 0, AVSEEK_FLAG_BYTE);
    avcodec_flush_buffers(dec);
    demuxEnd = decodeEnd = false;
    return r >= 0;
  }
};

bool HasStreamOf(const AVFormatContext* fmt, AVMediaType type) {
  if (!fmt) return false;
  for (unsigned i = 0; i < fmt->nb_streams; ++i) {
    if (fmt->streams[i]->codecpar->codec_type == type) return true;
  }
  return false;
}

// The threads the movie sounds' feed loops run on. Making a thread costs
// more than opening a small movie, and a game plays one movie after
// another: a thread whose loop has ended waits for the next one instead of
// ending.
class FeedThreads {
 public:
  static FeedThreads& Shared() {
    // Never destroyed: a waiting thread still uses it while the process ends.
    static FeedThreads* const threads = new FeedThreads;
    return *threads;
  }

  // Runs the loop on a waiting thread, or on a new one; its future is ready
  // once the loop has ended. Not valid when no thread can be made.
  std::future<void> Run(std::function<void()> loop) {
    std::packaged_task<void()> task(std::move(loop));
    std::future<void> done = task.get_future();
    std::lock_guard<std::mutex> g(mu_);
    if (!idle_.empty()) {
      Worker* w = idle_.back();
      idle_.pop_back();
      w->task = std::move(task);
      w->cv.notify_one();
      return done;
    }
    auto w = std::make_unique<Worker>();
    Worker* raw = w.get();
    raw->task = std::move(task);
    if (!raw->thread.Start([this, raw] { return Loop(raw); }, kStackBytes)) return {};
    workers_.push_back(std::move(w));
    return done;
  }

 private:
  static constexpr std::size_t kStackBytes = 256 * 1024;

  struct Worker {
    NativeThread thread;
    std::condition_variable cv;
    std::packaged_task<void()> task;  // the loop to run next, under mu_
  };

  int Loop(Worker* w) {
    std::unique_lock<std::mutex> g(mu_);
    for (;;) {
      w->cv.wait(g, [w] { return w->task.valid(); });
      std::packaged_task<void()> task = std::move(w->task);
      g.unlock();
      task();
      task = {};
      g.lock();
      idle_.push_back(w);
    }
  }

  std::mutex mu_;
  std::vector<std::unique_ptr<Worker>> workers_;
  std::vector<Worker*> idle_;
};

// The sound of a movie: its own decoder, resampled to the device's rate,
// fed into a looping buffer by a thread that refills the half the cursor
// has just left.
class MovieSound {
 public:
  MovieSound() = default;
  MovieSound(const MovieSound&) = delete;
  MovieSound& operator=(const MovieSound&) = delete;
  ~MovieSound() { Close(); }

  bool Open(std::shared_ptr<MovieSource> source, SoundDevice* device, const AVFormatContext* probed) {
    bool found = false;
    if (!device || track_.Open(std::move(source), AVMEDIA_TYPE_AUDIO, &found, probed) != MovieOpenResult::Ok ||
        !found) {
      return false;
    }
    swr_ = swr_alloc();
    in_ = av_frame_alloc();
    out_ = av_frame_alloc();
    buffer_ = device->CreateBuffer(PcmFormat{kSoundRate, 2, 16}, kRingBytes);
    if (!swr_ || !in_ || !out_ || !buffer_) return false;
    const SoundNotification marks[2] = {{0, &events_, kEventHalf0}, {kHalfBytes, &events_, kEventHalf1}};
    if (!buffer_->SetNotificationPositions(marks)) return false;
    feed_ = FeedThreads::Shared().Run([this] { Feed(); });
    return feed_.valid();
  }

  void Close() {
    if (feed_.valid()) {
      events_.Set(kEventQuit);
      feed_.get();
    }
    buffer_.reset();
    swr_free(&swr_);
    av_frame_free(&in_);
    av_frame_free(&out_);
    track_.Close();
  }

  // Plays from the stream time `time`: the decoder is moved there, the first
  // half written at once and the buffer started from its beginning.
  void PlayFrom(std::int64_t time) {
    std::lock_guard<std::mutex> g(mu_);
    buffer_->Stop();
    track_.SeekTo(time);
    pending_.clear();
    pendingPos_ = 0;
    ended_ = false;
    skipFrom_ = time;
    skipPending_ = true;
    dropBytes_ = 0;
    swr_close(swr_);  // what the resampler held belongs to the old position
    WriteHalf(0);
    buffer_->SetCurrentPosition(0);
    events_.Reset(kEventHalf0);
    events_.Reset(kEventHalf1);
    buffer_->Play(true);
  }

  void Halt() { buffer_->Stop(); }
  bool SetVolume(std::int32_t v) { return buffer_->SetVolume(v); }
  std::int32_t Volume() const { return buffer_->GetVolume(); }

 private:
  void Feed() {
    for (;;) {
      const int e = events_.WaitAny((1u << kEventHalf0) | (1u << kEventHalf1) | (1u << kEventQuit));
      if (e == kEventQuit || e < 0) return;
      std::lock_guard<std::mutex> g(mu_);
      std::uint32_t play = 0, write = 0;
      buffer_->GetCurrentPosition(&play, &write);
      const int playing = play < kHalfBytes ? 0 : 1;
      const int idle = e == kEventHalf0 ? 1 : 0;
      // A mark from before the last restart: the cursor is in that half.
      if (idle == playing) continue;
      WriteHalf(idle);
    }
  }

  void WriteHalf(int half) {
    void *p1 = nullptr, *p2 = nullptr;
    std::uint32_t n1 = 0, n2 = 0;
    if (!buffer_->Lock(static_cast<std::uint32_t>(half) * kHalfBytes, kHalfBytes, &p1, &n1, &p2, &n2)) return;
    Fill(static_cast<std::uint8_t*>(p1), n1);
    if (p2) Fill(static_cast<std::uint8_t*>(p2), n2);
    buffer_->Unlock(p1, n1, p2, n2);
  }

  void Fill(std::uint8_t* dst, std::uint32_t bytes) {
    while (bytes > 0) {
      if (pendingPos_ < pending_.size()) {
        const std::size_t take = std::min<std::size_t>(bytes, pending_.size() - pendingPos_);
        std::memcpy(dst, pending_.data() + pendingPos_, take);
        pendingPos_ += take;
        dst += take;
        bytes -= static_cast<std::uint32_t>(take);
        continue;
      }
      if (ended_ || !Decode()) {
        std::memset(dst, 0, bytes);
        return;
      }
    }
  }

  // Decodes until some samples are pending; false when there are none now.
  bool Decode() {
    pending_.clear();
    pendingPos_ = 0;
    for (int tries = 0; tries < kMaxBadFrames; ++tries) {
      if (!track_.NextFrame(in_)) {
        ended_ = track_.decodeEnd;
        return false;
      }
      if (skipPending_) {
        // The seek lands on a packet at or before the asked time: what lies
        // before it is not played.
        const std::int64_t at = track_.TimeOf(in_);
        if (at >= 0 && at < skipFrom_) {
          dropBytes_ = av_rescale(skipFrom_ - at, kSoundRate, MovieStream::kUnitsPerSecond) * 4;
        }
        skipPending_ = false;
      }
      if (in_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC && in_->ch_layout.nb_channels > 0) {
        const int n = in_->ch_layout.nb_channels;
        av_channel_layout_uninit(&in_->ch_layout);
        av_channel_layout_default(&in_->ch_layout, n);
      }
      const bool converted = Convert();
      av_frame_unref(in_);
      if (!converted) continue;
      const std::size_t bytes = static_cast<std::size_t>(out_->nb_samples) * 4;
      const std::uint8_t* src = out_->data[0];
      const auto drop = static_cast<std::size_t>(std::min<std::int64_t>(dropBytes_, static_cast<std::int64_t>(bytes)));
      dropBytes_ -= static_cast<std::int64_t>(drop);
      if (bytes > drop) pending_.assign(src + drop, src + bytes);
      av_frame_unref(out_);
      if (!pending_.empty()) return true;
    }
    return false;
  }

  bool Convert() {
    // A rate or a channel count no real sound has (a damaged header) would
    // have the resampler build tables for seconds: such frames stay silent.
    if (in_->sample_rate < kMinSourceRate || in_->sample_rate > kMaxSourceRate || in_->ch_layout.nb_channels < 1 ||
        in_->ch_layout.nb_channels > kMaxSourceChannels)
      return false;
    av_frame_unref(out_);
    out_->format = AV_SAMPLE_FMT_S16;
    out_->sample_rate = kSoundRate;
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (av_channel_layout_copy(&out_->ch_layout, &stereo) < 0) return false;
    int r = swr_convert_frame(swr_, out_, in_);
    if (r == AVERROR_INPUT_CHANGED || r == AVERROR_OUTPUT_CHANGED) {
      swr_close(swr_);
      av_frame_unref(out_);
      out_->format = AV_SAMPLE_FMT_S16;
      out_->sample_rate = kSoundRate;
      if (av_channel_layout_copy(&out_->ch_layout, &stereo) < 0) return false;
      r = swr_convert_frame(swr_, out_, in_);
    }
    return r >= 0 && out_->nb_samples > 0 && out_->data[0];
  }

  std::mutex mu_;  // the decoder, the resampler and the pending samples
  Track track_;
  SwrContext* swr_ = nullptr;
  AVFrame* in_ = nullptr;
  AVFrame* out_ = nullptr;
  std::vector<std::uint8_t> pending_;
  std::size_t pendingPos_ = 0;
  bool ended_ = false;
  std::int64_t skipFrom_ = 0;
  bool skipPending_ = false;
  std::int64_t dropBytes_ = 0;
  std::unique_ptr<SoundBuffer> buffer_;
  EventGroup events_;
  std::future<void> feed_;  // the feed loop, while it runs
};

}  // namespace

struct MovieStream::Impl {
  mutable std::mutex mu;
  bool open = false;
  Track video;
  bool hasVideo = false;
  int width = 0, height = 0;
  std::int64_t frameTime = 0, duration = 0;
  // The frame due now (cur) and the one after it (next), decoded ahead.
  AVFrame* cur = nullptr;
  AVFrame* next = nullptr;
  bool curValid = false, nextValid = false;
  std::int64_t curTime = 0, nextTime = 0, lastTime = -1;
  std::uint64_t serial = 0, curSerial = 0, drawnSerial = 0;
  SwsContext* sws = nullptr;
  MovieState state = MovieState::Stop;
  std::int64_t base = 0;       // the stream time when it last stood still or was set
  std::uint32_t runStart = 0;  // the clock when it last started running
  std::unique_ptr<MovieSound> sound;

  ~Impl() { CloseLocked(); }

  void CloseLocked() {
    sound.reset();
    video.Close();
    av_frame_free(&cur);
    av_frame_free(&next);
    sws_freeContext(sws);
    sws = nullptr;
    open = hasVideo = false;
    width = height = 0;
    frameTime = duration = 0;
    state = MovieState::Stop;
    base = 0;
    ResetFrames();
  }

  void ResetFrames() {
    curValid = nextValid = false;
    lastTime = -1;
    drawnSerial = 0;
    curSerial = 0;
  }

  std::int64_t TimeLocked() const {
    if (state != MovieState::Run) return base;
    return base + static_cast<std::int64_t>(TickMs() - runStart) * (kUnitsPerSecond / 1000);
  }

  // The next picture frame with a time; false when there is none now.
  bool DecodeNext(AVFrame* f, std::int64_t* time) {
    for (int bad = 0; bad < kMaxBadFrames; ++bad) {
      av_frame_unref(f);
      if (!video.NextFrame(f)) return false;
      if (f->width <= 0 || f->height <= 0 || f->width > kMaxSide || f->height > kMaxSide || f->format < 0) continue;
      std::int64_t t = video.TimeOf(f);
      if (t < 0) t = lastTime < 0 ? 0 : lastTime + frameTime;
      lastTime = t;
      *time = t;
      return true;
    }
    return false;
  }

  bool Convert(const AVFrame* f, std::uint32_t* pixels, int pitch, int w, int h) {
    const int flags = (f->width == w && f->height == h) ? SWS_POINT : SWS_BILINEAR;
    sws = sws_getCachedContext(sws, f->width, f->height, static_cast<AVPixelFormat>(f->format), w, h,
                               AV_PIX_FMT_BGRA, flags, nullptr, nullptr, nullptr);
    if (!sws) return false;
    std::uint8_t* dst[4] = {reinterpret_cast<std::uint8_t*>(pixels), nullptr, nullptr, nullptr};
    const int dstStride[4] = {pitch, 0, 0, 0};
    return sws_scale(sws, f->data, f->linesize, 0, f->height, dst, dstStride) > 0;
  }
};

std::shared_ptr<MovieSource> OpenMovieFileSource(std::string_view gamePathCp932) {
  auto src = std::make_shared<FileSource>();
  if (!src->Open(gamePathCp932)) return nullptr;
  return src;
}

std::shared_ptr<MovieSource> MemoryMovieSource(std::span<const std::uint8_t> bytes) {
  return std::make_shared<MemorySource>(bytes);
}

MovieStream::MovieStream() : impl_(std::make_unique<Impl>()) {}
MovieStream::~MovieStream() = default;

MovieOpenResult MovieStream::Open(std::string_view gamePathCp932, SoundDevice* sound) {
  std::shared_ptr<MovieSource> src = OpenMovieFileSource(gamePathCp932);
  if (!src) {
    Close();
    return MovieOpenResult::NotFound;
  }
  return OpenSource(std::move(src), sound);
}

MovieOpenResult MovieStream::OpenSource(std::shared_ptr<MovieSource> source, SoundDevice* sound) {
  std::lock_guard<std::mutex> g(impl_->mu);
  Impl& m = *impl_;
  m.CloseLocked();
  if (!source) return MovieOpenResult::NotFound;
  QuietLibraries();
  bool foundVideo = false;
  const MovieOpenResult r = m.video.Open(source, AVMEDIA_TYPE_VIDEO, &foundVideo);
  if (r != MovieOpenResult::Ok) {
    m.CloseLocked();
    return r;
  }
  const bool audioInFile = HasStreamOf(m.video.fmt, AVMEDIA_TYPE_AUDIO);
  if (!foundVideo && !audioInFile) {
    m.CloseLocked();
    return MovieOpenResult::Unreadable;
  }
  if (foundVideo) {
    const int w = m.video.dec->width, h = m.video.dec->height;
    if (w < 0 || h < 0 || w > kMaxSide || h > kMaxSide) {
      m.CloseLocked();
      return MovieOpenResult::NoDecoder;
    }
    m.hasVideo = w > 0 && h > 0;
    if (m.hasVideo) {
      m.width = w;
      m.height = h;
      const AVRational rate = av_guess_frame_rate(m.video.fmt, m.video.fmt->streams[m.video.index], nullptr);
      if (rate.num > 0 && rate.den > 0) m.frameTime = av_rescale(kUnitsPerSecond, rate.den, rate.num);
      m.cur = av_frame_alloc();
      m.next = av_frame_alloc();
      if (!m.cur || !m.next) {
        m.CloseLocked();
        return MovieOpenResult::NoDecoder;
      }
    }
  }
  const std::int64_t d = m.video.fmt->duration;
  if (d != AV_NOPTS_VALUE && d > 0) m.duration = av_rescale_q(d, AV_TIME_BASE_Q, kUnits);
  if (audioInFile && sound) {
    m.sound = std::make_unique<MovieSound>();
    if (!m.sound->Open(source, sound, m.video.fmt)) m.sound.reset();
  }
  if (!m.hasVideo) m.video.Close();
  m.open = true;
  return MovieOpenResult::Ok;
}

void MovieStream::Close() {
  std::lock_guard<std::mutex> g(impl_->mu);
  impl_->CloseLocked();
}

bool MovieStream::IsOpen() const {
  std::lock_guard<std::mutex> g(impl_->mu);
  return impl_->open;
}

int MovieStream::Width() const {
  std::lock_guard<std::mutex> g(impl_->mu);
  return impl_->width;
}

int MovieStream::Height() const {
  std::lock_guard<std::mutex> g(impl_->mu);
  return impl_->height;
}

std::int64_t MovieStream::FrameTime() const {
  std::lock_guard<std::mutex> g(impl_->mu);
  return impl_->frameTime;
}

std::int64_t MovieStream::Duration() const {
  std::lock_guard<std::mutex> g(impl_->mu);
  return impl_->duration;
}

bool MovieStream::HasAudio() const {
  std::lock_guard<std::mutex> g(impl_->mu);
  return impl_->sound != nullptr;
}

void MovieStream::SetState(MovieState state) {
  std::lock_guard<std::mutex> g(impl_->mu);
  Impl& m = *impl_;
  if (!m.open || state == m.state) return;
  if (state == MovieState::Run) {
    m.runStart = TickMs();
    m.state = MovieState::Run;
    if (m.sound) m.sound->PlayFrom(m.base);
  } else {
    m.base = m.TimeLocked();
    m.state = MovieState::Stop;
    if (m.sound) m.sound->Halt();
  }
}

MovieState MovieStream::State() const {
  std::lock_guard<std::mutex> g(impl_->mu);
  return impl_->state;
}

std::int64_t MovieStream::Time() const {
  std::lock_guard<std::mutex> g(impl_->mu);
  return impl_->TimeLocked();
}

void MovieStream::Seek(std::int64_t time) {
  std::lock_guard<std::mutex> g(impl_->mu);
  Impl& m = *impl_;
  if (!m.open) return;
  time = std::max<std::int64_t>(time, 0);
  if (m.hasVideo) {
    m.video.SeekTo(time);
    m.ResetFrames();
  }
  m.base = time;
  m.runStart = TickMs();
  if (m.state == MovieState::Run && m.sound) m.sound->PlayFrom(time);
}

MovieSample MovieStream::Update(std::uint32_t* pixels, int pitchBytes, int width, int height) {
  std::lock_guard<std::mutex> g(impl_->mu);
  Impl& m = *impl_;
  if (!m.open || !m.hasVideo) return MovieSample::NoVideo;
  if (m.state != MovieState::Run) return MovieSample::NotRunning;
  const std::int64_t t = m.TimeLocked();
  if (!m.nextValid && !m.video.decodeEnd) m.nextValid = m.DecodeNext(m.next, &m.nextTime);
  for (int n = 0; m.nextValid && m.nextTime <= t && n < kMaxFramesPerUpdate; ++n) {
    std::swap(m.cur, m.next);
    m.curValid = true;
    m.curTime = m.nextTime;
    m.curSerial = ++m.serial;
    m.nextValid = m.DecodeNext(m.next, &m.nextTime);
  }
  if (m.curValid && m.curSerial != m.drawnSerial) {
    m.drawnSerial = m.curSerial;
    const bool fits = pixels && width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
                      pitchBytes >= width * 4;
    if (fits && m.Convert(m.cur, pixels, pitchBytes, width, height)) return MovieSample::Drawn;
    return MovieSample::NoNewFrame;
  }
  if (!m.nextValid && m.video.decodeEnd) {
    const std::int64_t end = m.curValid ? m.curTime + std::max<std::int64_t>(m.frameTime, 1) : 0;
    if (t >= end) return MovieSample::EndOfStream;
  }
  return MovieSample::NoNewFrame;
}

bool MovieStream::SetVolume(std::int32_t volume) {
  std::lock_guard<std::mutex> g(impl_->mu);
  if (!impl_->sound) return false;
  return impl_->sound->SetVolume(std::clamp(volume, kSoundVolumeMin, kSoundVolumeMax));
}

std::int32_t MovieStream::Volume() const {
  std::lock_guard<std::mutex> g(impl_->mu);
  return impl_->sound ? impl_->sound->Volume() : kSoundVolumeMin;
}

}  // namespace pl
