// A restorer that wraps another and passes every call on to it: the base of
// the tests' restorers that fail a journal write, a restore, a trash move
// or a removal, or stop an undo between two steps.  Every call of Restorer
// is pure, so a call added there does not build here until it is
// forwarded: a fault a wrapper injects travels the path production runs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "fsys/restorer.h"

namespace tolvane::fsys {

class ForwardingRestorer : public Restorer {
 public:
  // Over the native restorer, which this object owns.
  ForwardingRestorer() : owned_(make_native_restorer()), inner_(*owned_) {}
  // Over `inner`, which must outlive this object.
  explicit ForwardingRestorer(Restorer& inner) : inner_(inner) {}

  std::optional<FileIdentity> identify(const std::string& path) override {
    return inner_.identify(path);
  }
  std::error_code remove_file(const std::string& path) override { return inner_.remove_file(path); }
  std::error_code trash(const std::string& path, KeptFile& kept) override {
    return inner_.trash(path, kept);
  }
  std::error_code put_back(const KeptFile& kept, const std::string& path) override {
    return inner_.put_back(kept, path);
  }
  std::optional<KeptFile> find_replaced(const std::string& path, std::int64_t since) override {
    return inner_.find_replaced(path, since);
  }
  void forget_unfinished_keeping(const std::string& path, std::int64_t since) override {
    inner_.forget_unfinished_keeping(path, since);
  }
  std::error_code remove_empty_folder(const std::string& folder) override {
    return inner_.remove_empty_folder(folder);
  }
  TemporaryWriter this_writer() override { return inner_.this_writer(); }
  std::size_t remove_temporaries(const std::string& folder,
                                 const TemporaryWriter& writer) override {
    return inner_.remove_temporaries(folder, writer);
  }
  std::error_code make_folders(const std::string& folder) override {
    return inner_.make_folders(folder);
  }
  std::unique_ptr<AppendedFile> open_appended(const std::string& path, bool create,
                                              std::error_code& error) override {
    return inner_.open_appended(path, create, error);
  }
  std::vector<std::string> file_names(const std::string& folder) override {
    return inner_.file_names(folder);
  }
  std::optional<std::string> read_text(const std::string& path, std::size_t limit) override {
    return inner_.read_text(path, limit);
  }
  std::optional<std::string> read_end(const std::string& path, std::size_t limit) override {
    return inner_.read_end(path, limit);
  }

 protected:
  Restorer& inner() { return inner_; }

 private:
  std::unique_ptr<Restorer> owned_;
  Restorer& inner_;
};

}  // namespace tolvane::fsys
