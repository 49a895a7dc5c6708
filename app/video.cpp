#include "app/video.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <mutex>

namespace {

constexpr int SoundRate = 44100;

struct FormatChoice {
  const char* extension;
  VideoFormat format;
  const char* muxer;
  const char* video;
  AVPixelFormat pixels;
  const char* audio;
  int audioRate;
  int64_t audioBitRate;
};

const FormatChoice Choices[] = {
    {".mp4", VideoFormat::Mp4, "mp4", "libx264", AV_PIX_FMT_YUV420P, "aac", 44100, 192000},
    {".webm", VideoFormat::Webm, "webm", "libvpx-vp9", AV_PIX_FMT_YUV420P, "libopus", 48000, 160000},
    {".mkv", VideoFormat::Mkv, "matroska", "ffv1", AV_PIX_FMT_BGR0, "flac", 44100, 0},
};

const FormatChoice& ChoiceOf(VideoFormat format) {
  for (const FormatChoice& c : Choices)
    if (c.format == format) return c;
  return Choices[0];
}

// libav's own lines stay off the terminal; the last error among them names
// the reason when a call fails.
std::mutex logLock;
std::string lastLogError;

void KeepLogError(void* object, int level, const char* format, va_list args) {
  if (level > AV_LOG_ERROR) return;
  char line[512];
  int prefix = 0;
  av_log_format_line2(object, level, format, args, line, sizeof line, &prefix);
  std::string text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == '.')) text.pop_back();
  const size_t bracket = text.rfind("] ");
  if (bracket != std::string::npos) text = text.substr(bracket + 2);
  std::lock_guard<std::mutex> hold(logLock);
  lastLogError = text;
}

std::string AvError(int code) {
  {
    std::lock_guard<std::mutex> hold(logLock);
    if (!lastLogError.empty()) return lastLogError;
  }
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}

// The file behind libavformat's writes: our own stream, so the name stays ours.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
int WritePacket(void* opaque, const uint8_t* data, int size) {
#else
int WritePacket(void* opaque, uint8_t* data, int size) {
#endif
  auto* out = static_cast<std::FILE*>(opaque);
  if (std::fwrite(data, 1, static_cast<size_t>(size), out) == static_cast<size_t>(size)) return size;
  return AVERROR(errno ? errno : EIO);
}

int64_t SeekFile(void* opaque, int64_t offset, int whence) {
  auto* out = static_cast<std::FILE*>(opaque);
  if (whence == AVSEEK_SIZE) {
    struct stat st;
    if (std::fflush(out) != 0 || ::fstat(fileno(out), &st) != 0) return -1;
    return st.st_size;
  }
  if (::fseeko(out, offset, whence & ~AVSEEK_FORCE) != 0) return AVERROR(errno);
  return ::ftello(out);
}

}  // namespace

bool VideoFormatOfName(const std::string& name, VideoFormat* format) {
  std::string lower;
  for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const FormatChoice& c : Choices) {
    const size_t n = std::char_traits<char>::length(c.extension);
    if (lower.size() > n && lower.compare(lower.size() - n, n, c.extension) == 0 && lower[lower.size() - n - 1] != '/') {
      *format = c.format;
      return true;
    }
  }
  return false;
}

struct VideoWriter::Impl {
  AVFormatContext* mux = nullptr;
  AVIOContext* io = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVStream* videoStream = nullptr;
  AVStream* audioStream = nullptr;
  SwsContext* scale = nullptr;
  SwrContext* resample = nullptr;
  AVAudioFifo* fifo = nullptr;
  AVFrame* picture = nullptr;
  AVFrame* sound = nullptr;
  AVPacket* packet = nullptr;
  int width = 0, height = 0;
  int64_t framesIn = 0;   // pictures given
  int64_t samplesOut = 0;  // sample frames handed to the audio encoder

  ~Impl() {
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    sws_freeContext(scale);
    swr_free(&resample);
    if (fifo) av_audio_fifo_free(fifo);
    av_frame_free(&picture);
    av_frame_free(&sound);
    av_packet_free(&packet);
    if (io) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
    avformat_free_context(mux);
  }

  bool Fail(std::string* error, const std::string& what, int code) {
    *error = what + (code ? ": " + AvError(code) : "");
    return false;
  }

  // Sends one frame (null: drain) and writes every packet that comes out.
  bool Encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame, std::string* error) {
    int r = avcodec_send_frame(codec, frame);
    if (r < 0) return Fail(error, std::string("the ") + codec->codec->name + " encoder failed", r);
    for (;;) {
      r = avcodec_receive_packet(codec, packet);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return Fail(error, std::string("the ") + codec->codec->name + " encoder failed", r);
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      r = av_interleaved_write_frame(mux, packet);
      if (r < 0) return Fail(error, "cannot write the video", r);
      if (!Written(error)) return false;
    }
  }

  // A failed write of the file, with the system's reason.
  bool Written(std::string* error) {
    if (io->error >= 0) return true;
    *error = std::string("cannot write the video: ") + std::strerror(AVUNERROR(io->error));
    return false;
  }

  AVCodecContext* OpenEncoder(const char* name, std::string* error) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (!codec) {
      *error = std::string("this libavcodec has no ") + name + " encoder";
      return nullptr;
    }
    AVCodecContext* c = avcodec_alloc_context3(codec);
    if (!c) *error = "out of memory";
    return c;
  }

  bool Start(std::FILE* out, VideoFormat format, int w, int h, int fps, std::string* error) {
    const FormatChoice& choice = ChoiceOf(format);
    width = w;
    height = h;
    if (w < 2 || h < 2 || (choice.pixels == AV_PIX_FMT_YUV420P && (w % 2 || h % 2)))
      return Fail(error, "a " + std::to_string(w) + " x " + std::to_string(h) + " picture cannot be encoded", 0);
    int r = avformat_alloc_output_context2(&mux, nullptr, choice.muxer, nullptr);
    if (r < 0 || !mux) return Fail(error, std::string("this libavformat has no ") + choice.muxer + " muxer", r);
    const int bufferSize = 1 << 16;
    auto* buffer = static_cast<unsigned char*>(av_malloc(bufferSize));
    io = buffer ? avio_alloc_context(buffer, bufferSize, 1, out, nullptr, WritePacket, SeekFile) : nullptr;
    if (!io) {
      av_free(buffer);
      return Fail(error, "out of memory", 0);
    }
    // A FIFO or a device cannot seek back: the muxers then write as a stream.
    io->seekable = ::fseeko(out, 0, SEEK_CUR) == 0 ? AVIO_SEEKABLE_NORMAL : 0;
    mux->pb = io;
    mux->flags |= AVFMT_FLAG_BITEXACT;  // the same export makes the same file
    av_dict_set(&mux->metadata, "title", "Tessaline", 0);

    if (!(video = OpenEncoder(choice.video, error))) return false;
    video->width = w;
    video->height = h;
    video->pix_fmt = choice.pixels;
    video->time_base = AVRational{1, fps};
    video->framerate = AVRational{fps, 1};
    video->gop_size = fps * 2;
    video->thread_count = 0;
    video->flags |= AV_CODEC_FLAG_BITEXACT;
    if (choice.pixels == AV_PIX_FMT_YUV420P) {
      video->colorspace = AVCOL_SPC_SMPTE170M;
      video->color_primaries = AVCOL_PRI_SMPTE170M;
      video->color_trc = AVCOL_TRC_SMPTE170M;
      video->color_range = AVCOL_RANGE_MPEG;
    } else {
      video->colorspace = AVCOL_SPC_RGB;
      video->color_range = AVCOL_RANGE_JPEG;
    }
    AVDictionary* options = nullptr;
    switch (format) {
      case VideoFormat::Mp4:
        av_dict_set(&options, "crf", "16", 0);
        av_dict_set(&options, "preset", "medium", 0);
        break;
      case VideoFormat::Webm:
        av_dict_set(&options, "crf", "24", 0);
        av_dict_set(&options, "b", "0", 0);
        av_dict_set(&options, "deadline", "good", 0);
        av_dict_set(&options, "cpu-used", "4", 0);
        av_dict_set(&options, "row-mt", "1", 0);
        break;
      case VideoFormat::Mkv:
        av_dict_set(&options, "level", "3", 0);
        av_dict_set(&options, "slices", "4", 0);
        av_dict_set(&options, "slicecrc", "1", 0);
        break;
    }
    if (mux->oformat->flags & AVFMT_GLOBALHEADER) video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    r = avcodec_open2(video, video->codec, &options);
    av_dict_free(&options);
    if (r < 0) return Fail(error, std::string("cannot start the ") + choice.video + " encoder", r);

    if (!(audio = OpenEncoder(choice.audio, error))) return false;
    audio->sample_rate = choice.audioRate;
    av_channel_layout_default(&audio->ch_layout, 2);
    const AVSampleFormat* formats = audio->codec->sample_fmts;
    audio->sample_fmt = formats ? formats[0] : AV_SAMPLE_FMT_S16;
    for (int i = 0; formats && formats[i] != AV_SAMPLE_FMT_NONE; ++i)
      if (formats[i] == AV_SAMPLE_FMT_S16) audio->sample_fmt = AV_SAMPLE_FMT_S16;  // lossless when it can be
    audio->time_base = AVRational{1, choice.audioRate};
    if (choice.audioBitRate) audio->bit_rate = choice.audioBitRate;
    audio->flags |= AV_CODEC_FLAG_BITEXACT;
    if (mux->oformat->flags & AVFMT_GLOBALHEADER) audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    r = avcodec_open2(audio, audio->codec, nullptr);
    if (r < 0) return Fail(error, std::string("cannot start the ") + choice.audio + " encoder", r);

    videoStream = avformat_new_stream(mux, nullptr);
    audioStream = avformat_new_stream(mux, nullptr);
    if (!videoStream || !audioStream) return Fail(error, "out of memory", 0);
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = video->framerate;
    audioStream->time_base = audio->time_base;
    if ((r = avcodec_parameters_from_context(videoStream->codecpar, video)) < 0 ||
        (r = avcodec_parameters_from_context(audioStream->codecpar, audio)) < 0)
      return Fail(error, "cannot describe the streams", r);

    scale = sws_getContext(w, h, AV_PIX_FMT_RGB24, w, h, choice.pixels, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr,
                           nullptr, nullptr);
    if (!scale) return Fail(error, "cannot convert the pictures", 0);
    if (choice.pixels == AV_PIX_FMT_YUV420P) {
      const int* bt601 = sws_getCoefficients(SWS_CS_ITU601);
      sws_setColorspaceDetails(scale, bt601, 1, bt601, 0, 0, 1 << 16, 1 << 16);
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    r = swr_alloc_set_opts2(&resample, &audio->ch_layout, audio->sample_fmt, audio->sample_rate, &stereo,
                            AV_SAMPLE_FMT_S16, SoundRate, 0, nullptr);
    if (r < 0 || (r = swr_init(resample)) < 0) return Fail(error, "cannot convert the sound", r);
    fifo = av_audio_fifo_alloc(audio->sample_fmt, 2, 4096);
    picture = av_frame_alloc();
    sound = av_frame_alloc();
    packet = av_packet_alloc();
    if (!fifo || !picture || !sound || !packet) return Fail(error, "out of memory", 0);
    picture->format = choice.pixels;
    picture->width = w;
    picture->height = h;
    if ((r = av_frame_get_buffer(picture, 0)) < 0) return Fail(error, "out of memory", r);

    if ((r = avformat_write_header(mux, nullptr)) < 0) return Fail(error, "cannot start the video", r);
    return true;
  }

  // Hands the encoder every whole frame of sound in the FIFO (all of it when draining).
  bool EncodeSound(bool all, std::string* error) {
    const int size = audio->frame_size > 0 ? audio->frame_size : 4096;
    while (av_audio_fifo_size(fifo) >= size || (all && av_audio_fifo_size(fifo) > 0)) {
      const int n = std::min(size, av_audio_fifo_size(fifo));
      av_frame_unref(sound);
      sound->nb_samples = n;
      sound->format = audio->sample_fmt;
      sound->sample_rate = audio->sample_rate;
      av_channel_layout_copy(&sound->ch_layout, &audio->ch_layout);
      int r = av_frame_get_buffer(sound, 0);
      if (r < 0) return Fail(error, "out of memory", r);
      if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(sound->data), n) != n)
        return Fail(error, "cannot convert the sound", 0);
      sound->pts = samplesOut;
      samplesOut += n;
      if (!Encode(audio, audioStream, sound, error)) return false;
    }
    return true;
  }

  // Converts sample pairs (null: what the resampler still holds) into the FIFO.
  bool Resample(const int16_t* samples, int frames, std::string* error) {
    const int room = swr_get_out_samples(resample, frames);
    if (room < 0) return Fail(error, "cannot convert the sound", room);
    if (room == 0) return true;
    uint8_t** data = nullptr;
    int r = av_samples_alloc_array_and_samples(&data, nullptr, 2, room, audio->sample_fmt, 0);
    if (r < 0) return Fail(error, "out of memory", r);
    const uint8_t* in = reinterpret_cast<const uint8_t*>(samples);
    r = swr_convert(resample, data, room, samples ? &in : nullptr, frames);
    bool ok = r >= 0 && av_audio_fifo_write(fifo, reinterpret_cast<void**>(data), r) == r;
    av_freep(&data[0]);
    av_freep(&data);
    return ok ? true : Fail(error, "cannot convert the sound", r < 0 ? r : 0);
  }
};

VideoWriter::VideoWriter() = default;
VideoWriter::~VideoWriter() = default;

bool VideoWriter::Open(std::FILE* out, VideoFormat format, int width, int height, int fps, std::string* error) {
  av_log_set_callback(KeepLogError);
  {
    std::lock_guard<std::mutex> hold(logLock);
    lastLogError.clear();
  }
  impl_ = std::make_unique<Impl>();
  if (impl_->Start(out, format, width, height, fps, error)) return true;
  impl_.reset();
  return false;
}

bool VideoWriter::AddFrame(const uint8_t* rgb, std::string* error) {
  Impl& v = *impl_;
  int r = av_frame_make_writable(v.picture);
  if (r < 0) return v.Fail(error, "out of memory", r);
  const uint8_t* planes[1] = {rgb};
  const int pitches[1] = {v.width * 3};
  sws_scale(v.scale, planes, pitches, 0, v.height, v.picture->data, v.picture->linesize);
  v.picture->pts = v.framesIn++;
  return v.Encode(v.video, v.videoStream, v.picture, error);
}

bool VideoWriter::AddSound(const int16_t* samples, int frames, std::string* error) {
  if (frames <= 0) return true;
  return impl_->Resample(samples, frames, error) && impl_->EncodeSound(false, error);
}

bool VideoWriter::Finish(std::string* error) {
  Impl& v = *impl_;
  if (!v.Resample(nullptr, 0, error) || !v.EncodeSound(true, error) || !v.Encode(v.audio, v.audioStream, nullptr, error) ||
      !v.Encode(v.video, v.videoStream, nullptr, error))
    return false;
  int r = av_write_trailer(v.mux);
  if (!v.Written(error)) return false;
  if (r < 0) return v.Fail(error, "cannot end the video", r);
  avio_flush(v.io);
  return v.Written(error);
}
