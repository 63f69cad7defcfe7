// A restorer over the native one that fails chosen calls (a journal append
// or sync, a removal, a trash move, a put-back, a folder's removal) and
// can stop an undo between two of its changes to the disk: whatever the
// program meets then, it meets on the path production runs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <system_error>

#include "fsys/forwarding_restorer.h"

namespace tolvane::testing {

class FaultyRestorer : public fsys::ForwardingRestorer {
 public:
  enum class Call : std::uint8_t { append, sync, remove_file, trash, put_back, remove_folder };

  // Fails the `from`th call of `call` (1 for the first) and the `count` - 1
  // after it with `error`; the calls before and after go through.
  void fail(Call call, std::size_t from, std::error_code error, std::size_t count = SIZE_MAX) {
    faults_[index(call)] = {from, count, error};
  }

  // Runs before every change to the disk an undo makes (removal, trash
  // move, put-back, folder removal), with the change's kind and path: a
  // test may end the process there, between two steps.
  std::function<void(Call, const std::string&)> before_change;

  std::error_code remove_file(const std::string& path) override {
    if (const std::error_code error = enter(Call::remove_file, path)) return error;
    return ForwardingRestorer::remove_file(path);
  }
  std::error_code trash(const std::string& path, fsys::KeptFile& kept) override {
    if (const std::error_code error = enter(Call::trash, path)) return error;
    return ForwardingRestorer::trash(path, kept);
  }
  std::error_code put_back(const fsys::KeptFile& kept, const std::string& path) override {
    if (const std::error_code error = enter(Call::put_back, path)) return error;
    return ForwardingRestorer::put_back(kept, path);
  }
  std::error_code remove_empty_folder(const std::string& folder) override {
    if (const std::error_code error = enter(Call::remove_folder, folder)) return error;
    return ForwardingRestorer::remove_empty_folder(folder);
  }
  std::unique_ptr<fsys::AppendedFile> open_appended(const std::string& path, bool create,
                                                    std::error_code& error) override {
    std::unique_ptr<fsys::AppendedFile> file =
        ForwardingRestorer::open_appended(path, create, error);
    if (!file) return file;
    return std::make_unique<FaultyAppendedFile>(*this, std::move(file));
  }

 private:
  struct Fault {
    std::size_t from = 0;  // 0: never
    std::size_t count = 0;
    std::error_code error;
  };

  class FaultyAppendedFile final : public fsys::AppendedFile {
   public:
    FaultyAppendedFile(FaultyRestorer& owner, std::unique_ptr<fsys::AppendedFile> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    std::error_code append(const std::string& text) override {
      if (const std::error_code error = owner_.enter(Call::append, {})) return error;
      return inner_->append(text);
    }
    std::error_code sync() override {
      if (const std::error_code error = owner_.enter(Call::sync, {})) return error;
      return inner_->sync();
    }

   private:
    FaultyRestorer& owner_;
    std::unique_ptr<fsys::AppendedFile> inner_;
  };

  static std::size_t index(Call call) { return static_cast<std::size_t>(call); }

  std::error_code enter(Call call, const std::string& path) {
    if (before_change && call != Call::append && call != Call::sync) before_change(call, path);
    const std::size_t number = ++calls_[index(call)];
    const Fault& fault = faults_[index(call)];
    if (fault.from != 0 && number >= fault.from && number - fault.from < fault.count) {
      return fault.error;
    }
    return {};
  }

  std::array<Fault, 6> faults_{};
  std::array<std::size_t, 6> calls_{};
};

}  // namespace tolvane::testing
