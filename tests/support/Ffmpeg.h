#pragma once
// Debian's ffprobe and ffmpeg as independent AVI readers. They run where
// the tests run natively; the Windows build's tests go without them.

#include <cstdio>
#include <optional>
#include <string>

namespace tavix::test {

// What a shell command printed, or nothing when it failed to run or exit 0.
inline std::optional<std::string> CommandOutput(const std::string& command)
{
#if defined(_WIN32)
    (void)command;
    return std::nullopt;
#else
    std::FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return std::nullopt;
    std::string out;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        out.append(chunk, n);
    return pclose(pipe) == 0 ? std::optional<std::string>(out) : std::nullopt;
#endif
}

inline bool HaveFfmpeg()
{
    return CommandOutput("ffprobe -version >/dev/null 2>&1 && ffmpeg -version >/dev/null 2>&1").has_value();
}

// ffprobe's counted frames, size and average rate of the first video stream,
// as "width=…\nheight=…\navg_frame_rate=…\nnb_read_frames=…\n".
inline std::optional<std::string> ProbeVideo(const std::string& path)
{
    return CommandOutput("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
                         "stream=width,height,avg_frame_rate,nb_read_frames -of default=noprint_wrappers=1 '" +
                         path + "'");
}

// Every frame decoded by ffmpeg as rows of blue, green, red, top row first.
inline std::optional<std::string> DecodeBgr(const std::string& path)
{
    return CommandOutput("ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt bgr24 -");
}

} // namespace tavix::test
