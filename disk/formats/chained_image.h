#pragma once
// The virtual-machine formats (VHD/VHDX, VMDK, QCOW2) read the same way:
// open the file, and while it is a differencing image, find and open the
// parent it names and read through it. A library's file supplies a Library
// type with its calls (see vhdi_sector_source.cpp):
//   using Handle, Error;
//   static int Initialize(Handle**, ErrorOut), Open(Handle*, path, ErrorOut);
//   static void Release(Handle*);                  close and free
//   static std::string Prepare(Handle*, path);     finishes opening; says why
//                                                  the image cannot be read
//   static std::optional<std::string> RecordedParent(Handle*);
//                        nullopt: not differencing; empty: no name read
//   static int SetParent(Handle* child, Handle* parent, ErrorOut);
//   static int MediaSize(Handle*, uint64_t*, ErrorOut);
//   static ssize_t ReadAt(Handle*, void*, size_t, off64_t, ErrorOut);
// where ErrorOut is what Error::Out() gives.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "disk/formats/decoded_sector_source.h"
#include "disk/formats/parent_image.h"

namespace tarnwell::disk::formats {

template <typename Library>
class ChainedImageSource final : public DecodedSectorSource {
 public:
  struct Release {
    void operator()(typename Library::Handle* handle) const { Library::Release(handle); }
  };
  using Handle = std::unique_ptr<typename Library::Handle, Release>;
  // The image a person named first, then each parent below it.
  using Chain = std::vector<Handle>;

  ChainedImageSource(std::string kind, Chain chain, uint64_t sizeBytes)
      : DecodedSectorSource(std::move(kind), sizeBytes), chain_(std::move(chain)) {}
  ~ChainedImageSource() override {
    // A child reads through its parent: it goes first.
    for (Handle& handle : chain_) handle.reset();
  }

 protected:
  bool ReadBytes(uint64_t offset, void* buffer, size_t length) override {
    typename Library::Error error;
    for (size_t done = 0; done < length;) {
      const ssize_t n = Library::ReadAt(chain_.front().get(), static_cast<uint8_t*>(buffer) + done, length - done,
                                        static_cast<off64_t>(offset + done), error.Out());
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }

 private:
  Chain chain_;
};

// Opens the image at path (kind: "VHD", "QCOW2", ... as detected) with its
// parents; null with a reason in error.
template <typename Library>
std::unique_ptr<DecodedSectorSource> OpenChainedImage(const std::string& path, const std::string& kind,
                                                      std::string& error) {
  using Source = ChainedImageSource<Library>;
  typename Source::Chain chain;
  typename Library::Error failure;
  for (std::string next = path; !next.empty();) {
    if (chain.size() == static_cast<size_t>(kMaxParentDepth)) {
      error = "differencing " + kind + " images chained deeper than " + std::to_string(kMaxParentDepth) +
              " (a parent that leads back to its child?)";
      return nullptr;
    }
    typename Library::Handle* raw = nullptr;
    if (Library::Initialize(&raw, failure.Out()) != 1) {
      error = failure.Cause();
      return nullptr;
    }
    typename Source::Handle handle(raw);
    if (Library::Open(handle.get(), next.c_str(), failure.Out()) != 1) {
      error = chain.empty() ? "damaged " + kind + " image: " + failure.Cause()
                            : "its parent " + next + " cannot be read as " + kind + ": " + failure.Cause();
      return nullptr;
    }
    if (const std::string refusal = Library::Prepare(handle.get(), next); !refusal.empty()) {
      error = refusal;
      return nullptr;
    }
    const std::optional<std::string> recorded = Library::RecordedParent(handle.get());
    chain.push_back(std::move(handle));
    if (!recorded) break;
    const std::optional<std::string> parent = FindParent(next, *recorded);
    if (!parent) {
      error = recorded->empty() ? "differencing " + kind + " image whose parent's name cannot be read"
                                : MissingParentText(kind, next, *recorded);
      return nullptr;
    }
    next = *parent;
  }
  // Each differencing image reads through the one after it.
  for (size_t i = 0; i + 1 < chain.size(); ++i) {
    if (Library::SetParent(chain[i].get(), chain[i + 1].get(), failure.Out()) != 1) {
      error = "differencing " + kind + " image that does not fit its parent: " + failure.Cause();
      return nullptr;
    }
  }
  uint64_t size = 0;
  if (Library::MediaSize(chain.front().get(), &size, failure.Out()) != 1 || size == 0) {
    error = "damaged " + kind + " image: it holds no disk data";
    return nullptr;
  }
  return std::make_unique<Source>(kind, std::move(chain), size);
}

}  // namespace tarnwell::disk::formats
