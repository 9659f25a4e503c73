// ffmpeg driven without a shell, over temporary files made by the output writer.
#include "tools/capture/video_encoder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

bool WriteAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool CVideoEncoder::Start(const std::string& target, const VideoFormat& format,
                          std::string* error) {
    Abort();
    m_target = target;
    m_format = format;
    m_broken = false;
    OutputTarget resolved;
    if (!ResolveOutputTarget(target, &resolved, error)) return false;
    if (resolved.kind == OutputTarget::kFolder) return Fail(error, target + " is a folder");
    const std::filesystem::path path(resolved.path);
    m_ext = path.extension().string();
    m_stem = path.stem().string();
    // Beside the file it becomes; a device or FIFO gets the finished video copied into it,
    // so the work files go to the temporary folder.
    if (resolved.kind == OutputTarget::kSpecial) {
        std::error_code ec;
        m_folder = std::filesystem::temp_directory_path(ec).string();
        if (ec) m_folder = "/tmp";
    } else {
        m_folder = FolderOf(resolved.path);
    }
    std::string why;
    if (!CheckFolderWritable(m_folder, &why))
        return Fail(error, "cannot write " + target + ": " + why);
    if (!m_video.Create(m_folder, m_stem, m_ext, &why))
        return Fail(error, "cannot write " + target + ": " + why);
    m_video.CloseFd();

    const bool webm = m_ext == ".webm";
    std::vector<std::string> args = {
        "ffmpeg",
        "-nostdin",
        "-y",
        "-loglevel",
        "error",
        "-f",
        "rawvideo",
        "-pixel_format",
        format.rgb24 ? "rgb24" : "rgb565le",
        "-video_size",
        std::to_string(format.width) + "x" + std::to_string(format.height),
        "-framerate",
        std::to_string(format.fps),
        "-i",
        "pipe:0"};
    const std::vector<std::string> codec =
        webm ? std::vector<std::string>{"-c:v", "libvpx-vp9", "-b:v", "4M", "-pix_fmt", "yuv420p"}
             : std::vector<std::string>{"-c:v", "libx264",  "-preset", "veryfast",  "-crf",
                                        "20",   "-pix_fmt", "yuv420p", "-movflags", "+faststart"};
    args.insert(args.end(), codec.begin(), codec.end());
    args.push_back("file:" + m_video.Path());
    if (!m_encoder.Start(args, true, &why)) {
        Abort();
        return Fail(error, why);
    }
    return true;
}

bool CVideoEncoder::WriteFrame(const void* data, size_t bytes) {
    if (m_broken || !m_encoder.Input()) return false;
    if (std::fwrite(data, 1, bytes, m_encoder.Input()) != bytes) m_broken = true;
    return !m_broken;
}

bool CVideoEncoder::Finish(const std::vector<MusicEvent>& music, int64_t frames, int audioRate,
                           std::string* error) {
    if (m_video.Path().empty()) return Fail(error, "no video was started");
    const bool encoded = m_encoder.Wait();
    if (m_broken || !encoded) {
        Abort();
        return Fail(error, "ffmpeg failed; no video written");
    }
    // The soundtrack, rendered from the recorded music calls now that every frame is known.
    std::string why;
    CTempFile wav;
    std::vector<uint8_t> wavBytes;
    if (!WavBytes(RenderMusicTrack(music, frames, m_format.fps, audioRate), audioRate, &wavBytes) ||
        !wav.Create(m_folder, m_stem, ".wav", &why) || !WriteAll(wav.Fd(), wavBytes) ||
        !wav.CloseFd()) {
        Abort();
        return Fail(
            error, "cannot write the soundtrack for " + m_target + (why.empty() ? "" : ": " + why));
    }
    // A second ffmpeg run puts the sound beside the frames without encoding them again.
    CTempFile muxed;
    if (!muxed.Create(m_folder, m_stem, m_ext, &why)) {
        Abort();
        return Fail(error, "cannot write " + m_target + ": " + why);
    }
    muxed.CloseFd();
    std::vector<std::string> args = {"ffmpeg",
                                     "-nostdin",
                                     "-y",
                                     "-loglevel",
                                     "error",
                                     "-i",
                                     "file:" + m_video.Path(),
                                     "-i",
                                     "file:" + wav.Path(),
                                     "-map",
                                     "0:v",
                                     "-map",
                                     "1:a",
                                     "-c:v",
                                     "copy"};
    const std::vector<std::string> audio =
        m_ext == ".webm"
            ? std::vector<std::string>{"-c:a", "libopus", "-b:a", "160k"}
            : std::vector<std::string>{"-c:a", "aac", "-b:a", "192k", "-movflags", "+faststart"};
    args.insert(args.end(), audio.begin(), audio.end());
    args.push_back("file:" + muxed.Path());
    CChildProcess mux;
    if (!mux.Start(args, false, &why) || !mux.Wait()) {
        Abort();
        return Fail(error, "ffmpeg failed to add the soundtrack; no video written");
    }
    const bool ok = CopyToOutputFile(muxed.Path(), m_target, error);
    Abort();
    return ok;
}

void CVideoEncoder::Abort() {
    m_encoder.Kill();
    m_video.Remove();
}
