// The upgrader: puts a downloaded new version of the program in place.
//
//   Upgrader.exe PROGRAM NEWFILE URLNAME
//
// Runs in the program's folder. PROGRAM is the program's file name there,
// NEWFILE the download ("Upgrade.tmp"), URLNAME the download's name on the
// server (not needed: the download is the program itself). Waits (bounded)
// for the program to end, checks that the download is a program this
// machine runs, copies it beside the program under a temporary name,
// flushes it, gives it the old file's mode, keeps the old file as
// PROGRAM.bak, renames the new one over the program, deletes the download
// and starts the program. Anything failing before the rename leaves the old
// program in place and starts it; a new program that will not start is
// swapped back and the old one started.
//
// VELKO_UPGRADER_WAIT_MS sets the longest wait for the program to end
// (30000 by default).
#include <elf.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "outside/upgrader/process_scan.h"

extern char** environ;

namespace {

std::string CurrentFolder() {
  char buffer[4096];
  return getcwd(buffer, sizeof buffer) != nullptr ? buffer : ".";
}

bool WaitForProgramEnd(const std::string& program) {
  const char* limit = std::getenv("VELKO_UPGRADER_WAIT_MS");
  const long wait_ms = limit != nullptr ? std::strtol(limit, nullptr, 10) : 30000;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  while (upgrader::ProgramRunning(program)) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// A program this machine runs: an ELF file of its own kind, or a script.
bool RunsHere(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  unsigned char header[sizeof(Elf64_Ehdr)] = {};
  in.read(reinterpret_cast<char*>(header), sizeof header);
  const std::streamsize got = in.gcount();
  if (got >= 2 && header[0] == '#' && header[1] == '!') return true;
  if (got < static_cast<std::streamsize>(sizeof(Elf64_Ehdr))) return false;
  if (std::memcmp(header, ELFMAG, SELFMAG) != 0) return false;
  Elf64_Ehdr elf;
  std::memcpy(&elf, header, sizeof elf);
#if defined(__x86_64__)
  const int machine = EM_X86_64;
#elif defined(__aarch64__)
  const int machine = EM_AARCH64;
#else
  const int machine = elf.e_machine;
#endif
  return elf.e_ident[EI_CLASS] == ELFCLASS64 && elf.e_machine == machine &&
         (elf.e_type == ET_EXEC || elf.e_type == ET_DYN);
}

// Copies `from` to a new file `to` with `mode`, on the disk before it returns.
bool CopyFlushed(const std::string& from, const std::string& to, mode_t mode) {
  const int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  const int out = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (out < 0) {
    close(in);
    return false;
  }
  bool ok = true;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      const ssize_t w = write(out, buffer + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  ok = ok && fchmod(out, mode) == 0 && fsync(out) == 0;
  close(in);
  ok = close(out) == 0 && ok;
  if (!ok) unlink(to.c_str());
  return ok;
}

void FlushFolder(const std::string& folder) {
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    fsync(fd);
    close(fd);
  }
}

// Starts the program on its own, detached from us.
bool Start(const std::string& program) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
  char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
  pid_t pid = 0;
  const int result = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return result == 0;
}

int StartOld(const std::string& program, const char* why) {
  std::fprintf(stderr, "Upgrader: %s; the program stays as it was.\n", why);
  Start(program);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: Upgrader.exe PROGRAM NEWFILE [URLNAME]\n");
    return 2;
  }
  const std::string folder = CurrentFolder();
  const std::string name = argv[1];
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
    std::fprintf(stderr, "Upgrader: bad program name\n");
    return 2;
  }
  const std::string program = folder + "/" + name;
  const std::string download = std::string(argv[2]).find('/') == 0 ? argv[2] : folder + "/" + argv[2];

  if (!WaitForProgramEnd(program)) return StartOld(program, "the program did not end");
  struct stat old_stat{};
  if (stat(program.c_str(), &old_stat) != 0) old_stat.st_mode = 0755;
  struct stat new_stat{};
  if (stat(download.c_str(), &new_stat) != 0 || !S_ISREG(new_stat.st_mode) || !RunsHere(download)) {
    return StartOld(program, "the download is not a program for this machine");
  }
  const std::string fresh = folder + "/." + name + ".upgrade-" + std::to_string(getpid());
  if (!CopyFlushed(download, fresh, old_stat.st_mode & 07777)) {
    return StartOld(program, "the new version cannot be written here");
  }
  const std::string backup = program + ".bak";
  unlink(backup.c_str());
  if (link(program.c_str(), backup.c_str()) != 0 && errno != ENOENT &&
      !CopyFlushed(program, backup, old_stat.st_mode & 07777)) {
    unlink(fresh.c_str());
    return StartOld(program, "the old version cannot be kept");
  }
  if (rename(fresh.c_str(), program.c_str()) != 0) {
    unlink(fresh.c_str());
    return StartOld(program, "the new version cannot take the program's place");
  }
  FlushFolder(folder);
  unlink(download.c_str());
  if (Start(program)) return 0;
  // The new version does not start: the old one comes back.
  if (rename(backup.c_str(), program.c_str()) == 0) FlushFolder(folder);
  return StartOld(program, "the new version does not start");
}
