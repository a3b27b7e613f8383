// SPDX-License-Identifier: MIT
// The one result convention of the image-file functions: what happened, as a
// value the caller can branch on. Converts to true exactly when the operation
// succeeded, so "if (!DecodeJpegFile(...))" reads as before.
#pragma once

namespace lumarel {

enum class ImageStatus {
  Done,
  NotFound,      // the input does not exist or cannot be opened
  NotAFile,      // the input is a directory, FIFO, device or other non-regular file
  WrongType,     // the input is not a picture of a kind that is read, or its headers lie
  TooLarge,      // the input's picture exceeds the reader's limits
  NoPixels,      // the input's headers are sound but no pixel data follows
  LibraryError,  // the JPEG library reported an error
  NoMemory,
  WriteFailed,   // an output or temporary file could not be created or written
  DiskFull,      // the destination's file system lacks the space
};

class ImageResult {
 public:
  constexpr ImageResult(ImageStatus status = ImageStatus::Done) : status_(status) {}  // NOLINT
  // A failure with the system's reason (an errno value).
  constexpr ImageResult(ImageStatus status, int error) : status_(status), error_(error) {}
  constexpr ImageStatus status() const { return status_; }
  // The errno value behind NotFound, WriteFailed or DiskFull; 0 when unknown.
  constexpr int error() const { return error_; }
  constexpr explicit operator bool() const { return status_ == ImageStatus::Done; }
  friend constexpr bool operator==(ImageResult a, ImageResult b) { return a.status_ == b.status_; }
  friend constexpr bool operator==(ImageResult a, ImageStatus s) { return a.status_ == s; }
  // True when the input file, not the output or the machine, made it fail.
  constexpr bool InputAtFault() const {
    return status_ == ImageStatus::NotFound || status_ == ImageStatus::NotAFile ||
           status_ == ImageStatus::WrongType || status_ == ImageStatus::TooLarge ||
           status_ == ImageStatus::NoPixels ||
           status_ == ImageStatus::LibraryError;
  }

 private:
  ImageStatus status_;
  int error_ = 0;
};

// The result of a failed write: DiskFull when the file system ran out of room.
ImageResult WriteError(int error);

}  // namespace lumarel
