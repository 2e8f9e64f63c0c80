// movie_gen: writes a short movie whose frames are known colours, with an
// optional sine tone, for the movie player's tests and fuzz seeds.
//
//   movie_gen OUT [options]
//     --size WxH         picture size (64x48)
//     --fps N            frames a second (10)
//     --frames N         number of frames (10)
//     --codec NAME       png (default, exact colours), raw (BGR24, exact),
//                        ffv1, mjpeg, mpeg4, mpeg1
//     --colours LIST     comma-separated entries RRGGBB, or RRGGBB/RRGGBB for
//                        an upper and a lower half; frame i takes entry
//                        i modulo the count (default a fixed set of ten)
//     --tone HZ          a sine tone at half scale (none by default)
//     --rate R           sample rate of the tone (44100)
//     --channels C       1 or 2 (2)
//     --audio-seconds S  length of the tone (frames / fps)
//     --audio-codec NAME pcm (default) or mp2
//     --no-video         sound only (needs --tone)
//
// The container follows the extension of OUT (.avi, .mkv, .mp4, .mov, .mpg).
// For an odd-height picture the lower half starts at row height / 2.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct Entry {
  std::uint32_t upper = 0, lower = 0;  // 0xRRGGBB
};

struct Options {
  std::string out;
  int width = 64, height = 48;
  int fps = 10;
  int frames = 10;
  std::string codec = "png";
  std::vector<Entry> colours;
  double tone = 0;
  int rate = 44100;
  int channels = 2;
  double audioSeconds = -1;
  std::string audioCodec = "pcm";
  bool video = true;
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "movie_gen: %s\n", what.c_str());
  std::exit(1);
}

void Check(int err, const char* what) {
  if (err < 0) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    Fail(std::string(what) + ": " + buf);
  }
}

std::uint32_t ParseColour(const std::string& s) {
  if (s.size() != 6) Fail("colour '" + s + "' is not RRGGBB");
  char* end = nullptr;
  unsigned long v = std::strtoul(s.c_str(), &end, 16);
  if (*end) Fail("colour '" + s + "' is not RRGGBB");
  return static_cast<std::uint32_t>(v);
}

std::vector<Entry> ParseColours(const std::string& list) {
  std::vector<Entry> out;
  std::size_t pos = 0;
  while (pos <= list.size()) {
    std::size_t comma = list.find(',', pos);
    std::string item = list.substr(pos, comma == std::string::npos ? std::string::npos : comma - pos);
    std::size_t slash = item.find('/');
    Entry e;
    if (slash == std::string::npos) {
      e.upper = e.lower = ParseColour(item);
    } else {
      e.upper = ParseColour(item.substr(0, slash));
      e.lower = ParseColour(item.substr(slash + 1));
    }
    out.push_back(e);
    if (comma == std::string::npos) break;
    pos = comma + 1;
  }
  if (out.empty()) Fail("no colours");
  return out;
}

Options Parse(int argc, char** argv) {
  Options o;
  if (argc < 2) Fail("usage: movie_gen OUT [--size WxH] [--fps N] [--frames N] [--codec NAME] [--colours LIST] ...");
  o.out = argv[1];
  for (int i = 2; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail(a + " needs a value");
      return argv[++i];
    };
    if (a == "--size") {
      std::string v = value();
      if (std::sscanf(v.c_str(), "%dx%d", &o.width, &o.height) != 2) Fail("bad size " + v);
    } else if (a == "--fps") {
      o.fps = std::atoi(value().c_str());
    } else if (a == "--frames") {
      o.frames = std::atoi(value().c_str());
    } else if (a == "--codec") {
      o.codec = value();
    } else if (a == "--colours") {
      o.colours = ParseColours(value());
    } else if (a == "--tone") {
      o.tone = std::atof(value().c_str());
    } else if (a == "--rate") {
      o.rate = std::atoi(value().c_str());
    } else if (a == "--channels") {
      o.channels = std::atoi(value().c_str());
    } else if (a == "--audio-seconds") {
      o.audioSeconds = std::atof(value().c_str());
    } else if (a == "--audio-codec") {
      o.audioCodec = value();
    } else if (a == "--no-video") {
      o.video = false;
    } else {
      Fail("unknown option " + a);
    }
  }
  if (o.width <= 0 || o.height <= 0 || o.width > 4096 || o.height > 4096) Fail("size out of range");
  if (o.fps <= 0 || o.fps > 240) Fail("fps out of range");
  if (o.frames <= 0 || o.frames > 100000) Fail("frame count out of range");
  if (o.channels != 1 && o.channels != 2) Fail("channels must be 1 or 2");
  if (o.rate < 8000 || o.rate > 96000) Fail("rate out of range");
  if (!o.video && o.tone <= 0) Fail("--no-video needs --tone");
  if (o.colours.empty()) {
    o.colours = ParseColours("ff0000,00ff00,0000ff,ffff00,00ffff,ff00ff,ffffff,808080,400000,004000");
  }
  if (o.audioSeconds < 0) o.audioSeconds = static_cast<double>(o.frames) / o.fps;
  return o;
}

struct Output {
  AVStream* stream = nullptr;
  AVCodecContext* ctx = nullptr;
  AVFrame* frame = nullptr;
  std::int64_t next = 0;  // pts of the next frame, in the codec's time base
};

void Drain(AVFormatContext* oc, Output& o, AVPacket* pkt) {
  for (;;) {
    int r = avcodec_receive_packet(o.ctx, pkt);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return;
    Check(r, "encode");
    av_packet_rescale_ts(pkt, o.ctx->time_base, o.stream->time_base);
    pkt->stream_index = o.stream->index;
    Check(av_interleaved_write_frame(oc, pkt), "write packet");
  }
}

void Encode(AVFormatContext* oc, Output& o, AVFrame* frame, AVPacket* pkt) {
  Check(avcodec_send_frame(o.ctx, frame), "send frame");
  Drain(oc, o, pkt);
}

Output AddVideo(AVFormatContext* oc, const Options& opt) {
  AVCodecID id;
  AVPixelFormat fmt;
  if (opt.codec == "png") {
    id = AV_CODEC_ID_PNG, fmt = AV_PIX_FMT_RGB24;
  } else if (opt.codec == "raw") {
    id = AV_CODEC_ID_RAWVIDEO, fmt = AV_PIX_FMT_BGR24;
  } else if (opt.codec == "ffv1") {
    id = AV_CODEC_ID_FFV1, fmt = AV_PIX_FMT_BGR0;
  } else if (opt.codec == "mjpeg") {
    id = AV_CODEC_ID_MJPEG, fmt = AV_PIX_FMT_YUVJ420P;
  } else if (opt.codec == "mpeg4") {
    id = AV_CODEC_ID_MPEG4, fmt = AV_PIX_FMT_YUV420P;
  } else if (opt.codec == "mpeg1") {
    id = AV_CODEC_ID_MPEG1VIDEO, fmt = AV_PIX_FMT_YUV420P;
  } else {
    Fail("unknown codec " + opt.codec);
  }
  const AVCodec* codec = avcodec_find_encoder(id);
  if (!codec) Fail("no encoder for " + opt.codec);
  Output o;
  o.stream = avformat_new_stream(oc, nullptr);
  o.ctx = avcodec_alloc_context3(codec);
  if (!o.stream || !o.ctx) Fail("out of memory");
  o.ctx->width = opt.width;
  o.ctx->height = opt.height;
  o.ctx->pix_fmt = fmt;
  o.ctx->time_base = AVRational{1, opt.fps};
  o.ctx->framerate = AVRational{opt.fps, 1};
  o.ctx->gop_size = 4;  // keyframes now and then, so that seeking has work to do
  o.ctx->max_b_frames = 0;
  if (id == AV_CODEC_ID_MPEG4 || id == AV_CODEC_ID_MPEG1VIDEO || id == AV_CODEC_ID_MJPEG) {
    // Flat colours at a generous quality: decoded values stay near the source.
    o.ctx->flags |= AV_CODEC_FLAG_QSCALE;
    o.ctx->global_quality = FF_QP2LAMBDA * 2;
    o.ctx->bit_rate = 4000000;
  }
  if (id == AV_CODEC_ID_MJPEG) o.ctx->color_range = AVCOL_RANGE_JPEG;
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) o.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  Check(avcodec_open2(o.ctx, codec, nullptr), "open video encoder");
  Check(avcodec_parameters_from_context(o.stream->codecpar, o.ctx), "video parameters");
  o.stream->time_base = o.ctx->time_base;
  o.stream->avg_frame_rate = o.ctx->framerate;
  o.frame = av_frame_alloc();
  o.frame->format = fmt;
  o.frame->width = opt.width;
  o.frame->height = opt.height;
  Check(av_frame_get_buffer(o.frame, 0), "video frame");
  return o;
}

Output AddAudio(AVFormatContext* oc, const Options& opt) {
  AVCodecID id = opt.audioCodec == "mp2" ? AV_CODEC_ID_MP2 : AV_CODEC_ID_PCM_S16LE;
  if (opt.audioCodec != "mp2" && opt.audioCodec != "pcm") Fail("unknown audio codec " + opt.audioCodec);
  const AVCodec* codec = avcodec_find_encoder(id);
  if (!codec) Fail("no encoder for " + opt.audioCodec);
  Output o;
  o.stream = avformat_new_stream(oc, nullptr);
  o.ctx = avcodec_alloc_context3(codec);
  if (!o.stream || !o.ctx) Fail("out of memory");
  o.ctx->sample_fmt = AV_SAMPLE_FMT_S16;
  o.ctx->sample_rate = opt.rate;
  av_channel_layout_default(&o.ctx->ch_layout, opt.channels);
  o.ctx->time_base = AVRational{1, opt.rate};
  if (id == AV_CODEC_ID_MP2) o.ctx->bit_rate = 192000;
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) o.ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  Check(avcodec_open2(o.ctx, codec, nullptr), "open audio encoder");
  Check(avcodec_parameters_from_context(o.stream->codecpar, o.ctx), "audio parameters");
  o.stream->time_base = o.ctx->time_base;
  o.frame = av_frame_alloc();
  o.frame->format = AV_SAMPLE_FMT_S16;
  o.frame->sample_rate = opt.rate;
  Check(av_channel_layout_copy(&o.frame->ch_layout, &o.ctx->ch_layout), "layout");
  o.frame->nb_samples = o.ctx->frame_size > 0 ? o.ctx->frame_size : 1024;
  Check(av_frame_get_buffer(o.frame, 0), "audio frame");
  return o;
}

// Paints frame `index` as RGB24 and converts it into the encoder's format.
void PaintVideo(Output& o, const Options& opt, int index, SwsContext* sws, std::vector<std::uint8_t>& rgb) {
  const Entry& e = opt.colours[static_cast<std::size_t>(index) % opt.colours.size()];
  const int w = opt.width, h = opt.height;
  for (int y = 0; y < h; ++y) {
    std::uint32_t c = y < h / 2 ? e.upper : e.lower;
    for (int x = 0; x < w; ++x) {
      std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
      p[0] = static_cast<std::uint8_t>(c >> 16);
      p[1] = static_cast<std::uint8_t>(c >> 8);
      p[2] = static_cast<std::uint8_t>(c);
    }
  }
  Check(av_frame_make_writable(o.frame), "writable frame");
  const std::uint8_t* src[1] = {rgb.data()};
  const int srcStride[1] = {w * 3};
  sws_scale(sws, src, srcStride, 0, h, o.frame->data, o.frame->linesize);
  o.frame->pts = o.next++;
}

void PaintAudio(Output& o, const Options& opt, int samples) {
  Check(av_frame_make_writable(o.frame), "writable frame");
  o.frame->nb_samples = samples;
  auto* out = reinterpret_cast<std::int16_t*>(o.frame->data[0]);
  for (int i = 0; i < samples; ++i) {
    const double t = static_cast<double>(o.next + i) / opt.rate;
    const auto v = static_cast<std::int16_t>(std::lround(16384.0 * std::sin(2.0 * M_PI * opt.tone * t)));
    for (int c = 0; c < opt.channels; ++c) out[i * opt.channels + c] = v;
  }
  o.frame->pts = o.next;
  o.next += samples;
}

}  // namespace

int main(int argc, char** argv) {
  const Options opt = Parse(argc, argv);
  av_log_set_level(AV_LOG_ERROR);
  AVFormatContext* oc = nullptr;
  Check(avformat_alloc_output_context2(&oc, nullptr, nullptr, opt.out.c_str()), "container for the extension");

  Output video, audio;
  bool hasVideo = opt.video, hasAudio = opt.tone > 0;
  if (hasVideo) video = AddVideo(oc, opt);
  if (hasAudio) audio = AddAudio(oc, opt);
  Check(avio_open(&oc->pb, opt.out.c_str(), AVIO_FLAG_WRITE), "open output");
  Check(avformat_write_header(oc, nullptr), "write header");

  SwsContext* sws = nullptr;
  std::vector<std::uint8_t> rgb;
  if (hasVideo) {
    sws = sws_getContext(opt.width, opt.height, AV_PIX_FMT_RGB24, opt.width, opt.height, video.ctx->pix_fmt,
                         SWS_POINT | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    if (!sws) Fail("no converter");
    rgb.resize(static_cast<std::size_t>(opt.width) * opt.height * 3);
  }
  const std::int64_t totalSamples = hasAudio ? std::llround(opt.audioSeconds * opt.rate) : 0;

  AVPacket* pkt = av_packet_alloc();
  // Interleave by time: whichever stream is behind writes next.
  for (;;) {
    bool videoLeft = hasVideo && video.next < opt.frames;
    bool audioLeft = hasAudio && audio.next < totalSamples;
    if (!videoLeft && !audioLeft) break;
    bool takeVideo = videoLeft;
    if (videoLeft && audioLeft) {
      takeVideo = av_compare_ts(video.next, video.ctx->time_base, audio.next, audio.ctx->time_base) <= 0;
    }
    if (takeVideo) {
      PaintVideo(video, opt, static_cast<int>(video.next), sws, rgb);
      Encode(oc, video, video.frame, pkt);
    } else {
      std::int64_t left = totalSamples - audio.next;
      int n = audio.ctx->frame_size > 0 ? audio.ctx->frame_size : 1024;
      // A fixed-size encoder takes whole frames: its tone runs a little long.
      if (audio.ctx->frame_size <= 0 && left < n) n = static_cast<int>(left);
      PaintAudio(audio, opt, n);
      Encode(oc, audio, audio.frame, pkt);
    }
  }
  if (hasVideo) Encode(oc, video, nullptr, pkt);
  if (hasAudio) Encode(oc, audio, nullptr, pkt);
  Check(av_write_trailer(oc), "write trailer");

  av_packet_free(&pkt);
  sws_freeContext(sws);
  for (Output* o : {&video, &audio}) {
    av_frame_free(&o->frame);
    avcodec_free_context(&o->ctx);
  }
  avio_closep(&oc->pb);
  avformat_free_context(oc);
  return 0;
}
