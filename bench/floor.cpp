// The floors of the benchmark: each job done with only the system calls it
// cannot avoid, on as many threads as the program uses for it, so that a
// bench row can say how far the program is from the least possible work.
// Not part of the product.
//
//   tolvane_floor copy SOURCE DEST TAGS [--threads N] [--no-sync] [--flat]
//   tolvane_floor safe-copy SOURCE DEST TAGS [--threads N] [--flat]
//   tolvane_floor recheck SOURCE DEST TAGS [--threads N]
//   tolvane_floor walk ROOT [--threads N] [--ext .jpg]
//
// "copy" copies the files listed in TAGS (the per-tag lists of
// split_by_tag.py, paths relative to SOURCE) into DEST in the program's
// per-tag layout, DEST/TAG/TAG(N).jpg: per tag one mkdir, per file open the
// source, fstat it, create the target, copy_file_range, futimens, close both;
// then one syncfs (none with --no-sync).  No temporaries, no naming rules,
// no look at what stands at a target.
// "safe-copy" is the least a copy needs so that a name only ever shows data
// on the disk: the writer threads make each copy unnamed (O_TMPFILE) in its
// tag folder, opened once, and hand it on; a naming thread takes them in
// batches of at most 8192, runs one syncfs per batch, then links each to its
// name and closes it.
// With --flat both copy into DEST itself, as the program's flat mode does:
// DEST/TAG(N).jpg, every copy in one folder.
// "recheck" is the re-run over such a copy that finds every target
// unchanged: per file one stat of the source and one of the target, and the
// size and time compared.
// "walk" opens and reads every folder under ROOT (getdents64), following
// only the entry types the folder itself reports, and counts the files
// whose names end in the extension, letter case aside.
//
// Prints "name value" lines: floor_seconds (from the first system call of
// the job to the last), floor_cpu_seconds (the process's, reading the plan
// included), files.
#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "bench/process_cpu.h"
#include "copy/copy_worker_count.h"
#include "scan/folder_read_ahead.h"

namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string& what) {
  std::fprintf(stderr, "tolvane_floor: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

[[noreturn]] void usage() {
  std::fprintf(stderr,
               "usage: tolvane_floor copy SOURCE DEST TAGS [--threads N] [--no-sync] [--flat]\n"
               "       tolvane_floor safe-copy SOURCE DEST TAGS [--threads N] [--flat]\n"
               "       tolvane_floor recheck SOURCE DEST TAGS [--threads N]\n"
               "       tolvane_floor walk ROOT [--threads N] [--ext .jpg]\n");
  std::exit(2);
}

int open_folder(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) fail("open " + path);
  return fd;
}

// Runs `work(k)` on `threads` threads and waits for all of them.
template <typename Work>
void on_threads(std::size_t threads, Work work) {
  std::vector<std::thread> running;
  running.reserve(threads);
  for (std::size_t k = 0; k < threads; ++k) running.emplace_back([&work, k] { work(k); });
  for (std::thread& thread : running) thread.join();
}

// ---- copy and recheck --------------------------------------------------------

struct Job {
  std::string source;  // relative to SOURCE
  std::string target;  // relative to DEST: TAG/TAG(N).jpg
  std::size_t tag = 0;
};

struct Plan {
  std::vector<std::string> tags;  // one empty tag when flat: DEST itself
  std::vector<Job> jobs;          // tag by tag
};

// The per-tag lists as the program would name their copies; the names are
// worked out before the clock starts, since they cost no system call.
// Flat, every copy goes into DEST itself.
Plan read_plan(const std::string& tags_folder, bool flat) {
  Plan plan;
  std::vector<std::string> lists;
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(tags_folder.c_str()), ::closedir);
  if (!dir) fail("open " + tags_folder);
  while (const dirent* entry = ::readdir(dir.get())) {
    const std::string_view name = entry->d_name;
    if (name.size() > 2 && name.ends_with(".0")) lists.emplace_back(name);
  }
  std::sort(lists.begin(), lists.end());
  for (const std::string& list : lists) {
    const std::string tag = list.substr(0, list.size() - 2);
    std::FILE* file = std::fopen((tags_folder + "/" + list).c_str(), "rb");
    if (file == nullptr) fail("open " + list);
    std::string text;
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
      text.append(buffer, got);
    }
    std::fclose(file);
    std::size_t number = 0;
    for (std::size_t start = 0; start < text.size();) {
      std::size_t end = text.find('\0', start);
      if (end == std::string::npos) end = text.size();
      if (end > start) {
        const std::string name = tag + "(" + std::to_string(++number) + ").jpg";
        plan.jobs.push_back({text.substr(start, end - start), flat ? name : tag + "/" + name,
                             flat ? 0 : plan.tags.size()});
      }
      start = end + 1;
    }
    if (!flat) plan.tags.push_back(tag);
  }
  if (flat) plan.tags.emplace_back();
  return plan;
}

// Writes the source of `job` into `out`, which `create` opens given the
// source's status, and dates it as the source; closes the source, and
// returns `out` open.
template <typename Create>
int copy_data(int source_root, const Job& job, Create create) {
  const int in = ::openat(source_root, job.source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) fail("open " + job.source);
  struct stat info;
  if (::fstat(in, &info) != 0) fail("fstat " + job.source);
  const int out = create(info);
  for (off_t left = info.st_size; left > 0;) {
    const ssize_t copied =
        ::copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(left), 0);
    if (copied < 0 && errno == EINTR) continue;
    if (copied < 0) fail("copy_file_range " + job.source);
    if (copied == 0) break;  // the source shrank meanwhile
    left -= copied;
  }
  const struct timespec times[2] = {info.st_atim, info.st_mtim};
  if (::futimens(out, times) != 0) fail("futimens " + job.target);
  ::close(in);
  return out;
}

// Makes the folder of `tag` in DEST; the empty tag is DEST itself.
void make_tag_folder(int dest_root, const std::string& tag) {
  if (!tag.empty() && ::mkdirat(dest_root, tag.c_str(), 0777) != 0) fail("mkdir " + tag);
}

void copy_one(int source_root, int dest_root, const Job& job) {
  const int out = copy_data(source_root, job, [&](const struct stat& info) {
    const int fd = ::openat(dest_root, job.target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                            info.st_mode & 0777);
    if (fd < 0) fail("create " + job.target);
    return fd;
  });
  if (::close(out) != 0) fail("close " + job.target);
}

// The main thread makes the tag folders in turn while the threads copy
// into those made already, as the program's run makes each folder on its
// own thread while its copy threads work.
double copy_floor(const std::string& source, const std::string& dest, const Plan& plan,
                  std::size_t threads, bool sync) {
  const Clock::time_point start = Clock::now();
  const int source_root = open_folder(source);
  const int dest_root = open_folder(dest);
  std::atomic<std::size_t> folders_made{0};
  std::atomic<std::size_t> next{0};
  std::vector<std::thread> copiers;
  copiers.reserve(threads);
  for (std::size_t k = 0; k < threads; ++k) {
    copiers.emplace_back([&] {
      for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < plan.jobs.size();) {
        const Job& job = plan.jobs[i];
        for (std::size_t made; (made = folders_made.load(std::memory_order_acquire)) <= job.tag;) {
          folders_made.wait(made, std::memory_order_acquire);
        }
        copy_one(source_root, dest_root, job);
      }
    });
  }
  for (std::size_t t = 0; t < plan.tags.size(); ++t) {
    make_tag_folder(dest_root, plan.tags[t]);
    folders_made.store(t + 1, std::memory_order_release);
    folders_made.notify_all();
  }
  for (std::thread& copier : copiers) copier.join();
  if (sync && ::syncfs(dest_root) != 0) fail("syncfs " + dest);
  ::close(dest_root);
  ::close(source_root);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Copies `job` into an unnamed file in `folder` and returns its descriptor.
int copy_unnamed(int source_root, int folder, const Job& job) {
  return copy_data(source_root, job, [&](const struct stat& info) {
    const int fd = ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, info.st_mode & 0777);
    if (fd < 0) fail("O_TMPFILE in the folder of " + job.target);
    return fd;
  });
}

// Unnamed copies waiting for their batch's flush, in the order they were made.
struct Unnamed {
  int fd;
  std::size_t job;
};

double safe_copy_floor(const std::string& source, const std::string& dest, const Plan& plan,
                       std::size_t threads) {
  // A batch holds its copies open, and so does each tag folder until its
  // last copy has its name: two batches and the open folders must fit the
  // descriptor limit (a million files in leaf folders of their own make
  // 100,000 tags, more than any limit).
  constexpr std::size_t open_folders_kept = 2048;
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
    limit.rlim_cur = limit.rlim_max;
    ::setrlimit(RLIMIT_NOFILE, &limit);
  }
  const std::size_t allowed = ::getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 1024;
  if (allowed < open_folders_kept + 1024) fail("too few descriptors allowed");
  const std::size_t batch =
      std::min<std::size_t>(8192, (allowed - open_folders_kept - 256 - threads) / 2);
  // How many copies each tag takes, to close its folder after the last.
  std::vector<std::size_t> copies_of_tag(plan.tags.size(), 0);
  for (const Job& job : plan.jobs) ++copies_of_tag[job.tag];
  std::vector<std::size_t> linked_of_tag(plan.tags.size(), 0);
  std::size_t folders_closed = 0;
  bool opener_waiting = false;
  const Clock::time_point start = Clock::now();
  const int source_root = open_folder(source);
  const int dest_root = open_folder(dest);
  std::vector<int> folders(plan.tags.size(), -1);
  std::atomic<std::size_t> folders_made{0};
  std::atomic<std::size_t> next{0};
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<Unnamed> ready;
  std::size_t writers_left = threads;
  std::vector<std::thread> writers;
  writers.reserve(threads);
  for (std::size_t k = 0; k < threads; ++k) {
    writers.emplace_back([&] {
      for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < plan.jobs.size();) {
        const Job& job = plan.jobs[i];
        for (std::size_t made; (made = folders_made.load(std::memory_order_acquire)) <= job.tag;) {
          folders_made.wait(made, std::memory_order_acquire);
        }
        const int fd = copy_unnamed(source_root, folders[job.tag], job);
        std::unique_lock lock(mutex);
        // No more than one batch waits beside the one being named.
        changed.wait(lock, [&] { return ready.size() < batch; });
        ready.push_back({fd, i});
        if (ready.size() == batch || opener_waiting) changed.notify_all();
      }
      const std::lock_guard lock(mutex);
      --writers_left;
      changed.notify_all();
    });
  }
  std::thread namer([&] {
    std::vector<Unnamed> taken;
    for (;;) {
      {
        std::unique_lock lock(mutex);
        // A stalled opener waits for folders to close: what is ready goes.
        changed.wait(lock, [&] {
          return ready.size() >= batch || writers_left == 0 || (opener_waiting && !ready.empty());
        });
        if (ready.empty()) return;
        taken.swap(ready);
      }
      changed.notify_all();
      std::size_t closed = 0;
      if (::syncfs(dest_root) != 0) fail("syncfs " + dest);
      for (const Unnamed& copy : taken) {
        const Job& job = plan.jobs[copy.job];
        const std::size_t slash = job.target.find('/');
        const char* name = job.target.c_str() + (slash == std::string::npos ? 0 : slash + 1);
        if (::linkat(copy.fd, "", folders[job.tag], name, AT_EMPTY_PATH) != 0) {
          const std::string self = "/proc/self/fd/" + std::to_string(copy.fd);
          if (::linkat(AT_FDCWD, self.c_str(), folders[job.tag], name, AT_SYMLINK_FOLLOW) != 0) {
            fail("link " + job.target);
          }
        }
        ::close(copy.fd);
        if (++linked_of_tag[job.tag] == copies_of_tag[job.tag]) {
          ::close(folders[job.tag]);
          folders[job.tag] = -1;
          ++closed;
        }
      }
      taken.clear();
      if (closed > 0) {
        const std::lock_guard lock(mutex);
        folders_closed += closed;
      }
      changed.notify_all();
    }
  });
  for (std::size_t t = 0; t < plan.tags.size(); ++t) {
    {
      std::unique_lock lock(mutex);
      if (t - folders_closed >= open_folders_kept) {
        opener_waiting = true;
        changed.notify_all();
        changed.wait(lock, [&] { return t - folders_closed < open_folders_kept; });
        opener_waiting = false;
      }
    }
    make_tag_folder(dest_root, plan.tags[t]);
    const char* folder = plan.tags[t].empty() ? "." : plan.tags[t].c_str();
    folders[t] = ::openat(dest_root, folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folders[t] < 0) fail("open " + plan.tags[t]);
    folders_made.store(t + 1, std::memory_order_release);
    folders_made.notify_all();
  }
  for (std::thread& writer : writers) writer.join();
  namer.join();
  // The names are on the disk too before the run ends.
  if (::syncfs(dest_root) != 0) fail("syncfs " + dest);
  for (const int folder : folders) {
    if (folder >= 0) ::close(folder);
  }
  ::close(dest_root);
  ::close(source_root);
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Prints how many targets do not look like their source's copy (size and
// modification time): the check must find them all unchanged to count.
double recheck_floor(const std::string& source, const std::string& dest, const Plan& plan,
                     std::size_t threads, std::size_t& changed) {
  const Clock::time_point start = Clock::now();
  const int source_root = open_folder(source);
  const int dest_root = open_folder(dest);
  std::atomic<std::size_t> next{0};
  std::atomic<std::size_t> differ{0};
  on_threads(threads, [&](std::size_t) {
    for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < plan.jobs.size();) {
      const Job& job = plan.jobs[i];
      struct stat from;
      struct stat to;
      if (::fstatat(source_root, job.source.c_str(), &from, 0) != 0) fail("stat " + job.source);
      if (::fstatat(dest_root, job.target.c_str(), &to, AT_SYMLINK_NOFOLLOW) != 0 ||
          to.st_size != from.st_size || to.st_mtim.tv_sec != from.st_mtim.tv_sec ||
          to.st_mtim.tv_nsec != from.st_mtim.tv_nsec) {
        differ.fetch_add(1, std::memory_order_relaxed);
      }
    }
  });
  ::close(dest_root);
  ::close(source_root);
  changed = differ.load();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// ---- walk ----------------------------------------------------------------------

bool ends_with_folded(std::string_view name, std::string_view extension) {
  if (name.size() < extension.size()) return false;
  const std::string_view end = name.substr(name.size() - extension.size());
  for (std::size_t i = 0; i < end.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(end[i]) != lower(extension[i])) return false;
  }
  return true;
}

// Folders to read, shared by the threads; a thread that finds none waits
// until another adds some or the last reader finishes.
class WalkQueue {
 public:
  explicit WalkQueue(std::string root) { waiting_.push_back(std::move(root)); }

  bool take(std::string& folder) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !waiting_.empty() || reading_ == 0; });
    if (waiting_.empty()) return false;
    folder = std::move(waiting_.front());
    waiting_.pop_front();
    ++reading_;
    return true;
  }
  void done(std::vector<std::string>& found) {
    {
      const std::lock_guard lock(mutex_);
      for (std::string& folder : found) waiting_.push_back(std::move(folder));
      --reading_;
    }
    found.clear();
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::string> waiting_;
  std::size_t reading_ = 0;
};

double walk_floor(const std::string& root, std::size_t threads, const std::string& extension,
                  std::size_t& matched) {
  const Clock::time_point start = Clock::now();
  WalkQueue queue(root);
  std::atomic<std::size_t> matching{0};
  on_threads(threads, [&](std::size_t) {
    constexpr std::size_t buffer_size = 64 * 1024;
    const auto buffer = std::make_unique<char[]>(buffer_size);
    std::string folder;
    std::vector<std::string> found;
    std::size_t mine = 0;
    while (queue.take(folder)) {
      const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (fd >= 0) {
        for (;;) {
          const ssize_t got = ::getdents64(fd, buffer.get(), buffer_size);
          if (got <= 0) break;
          for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const struct dirent64*>(buffer.get() + at);
            at += entry->d_reclen;
            const std::string_view name = entry->d_name;
            // Hidden names, "." and ".." among them, are left out, as the program does.
            if (name.front() == '.') continue;
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
              struct stat info;
              if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
              type = S_ISDIR(info.st_mode) ? DT_DIR : S_ISREG(info.st_mode) ? DT_REG : DT_UNKNOWN;
            }
            if (type == DT_DIR) {
              found.push_back(folder + "/" + std::string(name));
            } else if (type == DT_REG && ends_with_folded(name, extension)) {
              ++mine;
            }
          }
        }
        ::close(fd);
      }
      queue.done(found);
    }
    matching.fetch_add(mine);
  });
  matched = matching.load();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) usage();
  const std::string mode = argv[1];
  const std::size_t positional = mode == "walk" ? 1 : 3;
  if ((mode != "walk" && mode != "copy" && mode != "safe-copy" && mode != "recheck") ||
      argc < static_cast<int>(2 + positional)) {
    usage();
  }
  // As many threads as the program uses for the job on this machine.
  std::size_t threads = mode == "walk" ? tolvane::scan::default_read_helpers() + 1
                                       : tolvane::copy::default_copy_workers();
  bool sync = true;
  bool flat = false;
  std::string extension = ".jpg";
  for (int i = static_cast<int>(2 + positional); i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--threads" && i + 1 < argc) {
      threads = std::max<std::size_t>(1, std::strtoull(argv[++i], nullptr, 10));
    } else if (arg == "--no-sync" && mode == "copy") {
      sync = false;
    } else if (arg == "--flat" && (mode == "copy" || mode == "safe-copy")) {
      flat = true;
    } else if (arg == "--ext" && i + 1 < argc && mode == "walk") {
      extension = argv[++i];
    } else {
      usage();
    }
  }

  double seconds = 0;
  std::size_t files = 0;
  const double cpu_before = tolvane::bench::process_cpu_seconds();
  if (mode == "walk") {
    seconds = walk_floor(argv[2], threads, extension, files);
  } else {
    const Plan plan = read_plan(argv[4], flat);
    files = plan.jobs.size();
    if (mode == "copy") {
      seconds = copy_floor(argv[2], argv[3], plan, threads, sync);
    } else if (mode == "safe-copy") {
      seconds = safe_copy_floor(argv[2], argv[3], plan, threads);
    } else {
      std::size_t changed = 0;
      seconds = recheck_floor(argv[2], argv[3], plan, threads, changed);
      std::printf("changed %zu\n", changed);
    }
  }
  std::printf("floor_seconds %.6f\nfloor_cpu_seconds %.6f\nfiles %zu\nthreads %zu\n", seconds,
              tolvane::bench::process_cpu_seconds() - cpu_before, files, threads);
  return 0;
}
