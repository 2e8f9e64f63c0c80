// A movie file for the movie players: the container is read through the
// platform's files (or from memory), the picture is decoded on demand into
// 32-bit B, G, R, A pixels for the stream time, and the sound plays on a
// buffer of the sound device of its own, beside the game's channels.
//
// Stream time is kept in 100-ns units from the start of the movie. It runs
// from the platform clock (platform/time.h) while the stream is in the run
// state and stands still in the stop state, so a test on the manual clock
// decides exactly which frame is due. Seeking sets it. Entering the run
// state lines the sound up with the stream time again.
//
// Every operation may be called from any thread; the stream serialises them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace pl {

class SoundDevice;

// Where a movie's bytes come from. Reads are positional and may come from
// two threads at once (the picture and the sound read separately).
class MovieSource {
 public:
  virtual ~MovieSource() = default;
  virtual std::int64_t Size() const = 0;
  // Up to n bytes at offset: the count read (0 at the end), -1 on error.
  virtual std::int64_t ReadAt(std::int64_t offset, void* buf, std::size_t n) const = 0;
};

// The file under a game path; null when it cannot be opened.
std::shared_ptr<MovieSource> OpenMovieFileSource(std::string_view gamePathCp932);
// Bytes that the caller keeps alive while a stream uses them.
std::shared_ptr<MovieSource> MemoryMovieSource(std::span<const std::uint8_t> bytes);

enum class MovieOpenResult {
  Ok,
  NotFound,    // no such file
  Unreadable,  // not a container the decoder reads, or no picture or sound in it
  NoDecoder,   // a picture of a format (or a size) the decoder cannot show
};

enum class MovieState { Stop, Run };

enum class MovieSample {
  Drawn,        // the frame due now was written
  NoNewFrame,   // the frame due now was written by an earlier call
  EndOfStream,  // the last frame has had its time
  NotRunning,   // the stream is stopped
  NoVideo,      // the movie has no picture, or no stream is open
};

class MovieStream {
 public:
  static constexpr std::int64_t kUnitsPerSecond = 10000000;  // stream times: 100 ns
  // Larger pictures are refused (a frame of 4096 x 4096 is already 64 MB).
  static constexpr int kMaxSide = 4096;

  MovieStream();
  ~MovieStream();
  MovieStream(const MovieStream&) = delete;
  MovieStream& operator=(const MovieStream&) = delete;

  // Opens a movie, closing an earlier one. Its sound plays on `sound`; with
  // no device, or a sound the decoder cannot read, the movie is silent.
  // The stream starts stopped at time 0.
  MovieOpenResult Open(std::string_view gamePathCp932, SoundDevice* sound);
  MovieOpenResult OpenSource(std::shared_ptr<MovieSource> source, SoundDevice* sound);
  void Close();
  bool IsOpen() const;

  // The picture's size (0 x 0 for a movie of sound only).
  int Width() const;
  int Height() const;
  // The time of one frame (0 when the movie does not tell it).
  std::int64_t FrameTime() const;
  // The length of the movie (0 when unknown).
  std::int64_t Duration() const;
  // Whether the sound plays through a device buffer.
  bool HasAudio() const;

  void SetState(MovieState state);
  MovieState State() const;
  std::int64_t Time() const;
  // Moves the stream time (negative times are 0); the next frame drawn is
  // the one due at the new time, even when it was drawn before.
  void Seek(std::int64_t time);

  // Writes the frame due at the stream time, scaled to width x height, into
  // `pixels` (rows of pitchBytes), when it is not the frame an earlier call
  // wrote. Only in the run state.
  MovieSample Update(std::uint32_t* pixels, int pitchBytes, int width, int height);

  // The sound's volume in hundredths of a decibel, -10000 (silence) to 0.
  // False without sound.
  bool SetVolume(std::int32_t volume);
  std::int32_t Volume() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace pl
