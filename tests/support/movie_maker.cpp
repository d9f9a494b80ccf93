#include "tests/support/movie_maker.h"

#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace velko_test {

bool MakeMovie(const std::filesystem::path& path, double seconds, int width, int height, int rate,
               const std::string& left, const std::string& right) {
  const std::string half = std::to_string(width / 2) + "x" + std::to_string(height);
  const std::string duration = std::to_string(seconds);
  const std::string graph = "color=c=" + left + ":s=" + half + ":r=" + std::to_string(rate) + ":d=" + duration +
                            "[a];color=c=" + right + ":s=" + half + ":r=" + std::to_string(rate) + ":d=" +
                            duration + "[b];[a][b]hstack";
  const bool avi = path.extension() == ".avi";
  std::vector<std::string> args = {"ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i", graph,
                                   "-c:v", avi ? "mpeg4" : "mpeg1video", "-q:v", "2", path.string()};
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    execvp("ffmpeg", argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && std::filesystem::exists(path);
}

}  // namespace velko_test
