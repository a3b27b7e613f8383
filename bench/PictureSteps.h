// SPDX-License-Identifier: MIT
// The program's picture work on one 640 x 480 picture, step by step as the
// windows do it, for the picture benchmark: the download take-over, Save As
// an Exif JPEG file, the 256-colour BMP and the adjustment's OK. Each step
// returns false when the library reported a failure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imagefile/DibImage.h"
#include "platform/Notifier.h"

namespace lumarel::bench {

// Message boxes are not expected in a benchmark; one that comes is printed.
Notifier& BenchMessages();

struct ScratchFiles {
  std::string a, b;  // the two scratch files of the take-over and Save As
};

// Download take-over, file part: the collected JPEG bytes written to a.jpg's
// place (scratch a), decoded by DecodeJpegFile into scratch b, the bitmap read
// back into `picture` (a 925696-byte block).
bool TakeOverDecode(const std::vector<std::uint8_t>& jpeg, const ScratchFiles& files,
                    DibImage& picture);
// The post-processing the quality byte asks for.
bool TakeOverPostProcess(DibImage& picture, std::uint8_t quality);

// Save As of a Capture window as an Exif JPEG: the picture as a BMP in scratch
// a, a trial encoding into scratch b, the encoding into `path`, then
// WriteExifFile over `path`.
bool SaveAsExifJpeg(const DibImage& picture, const ScratchFiles& files, const std::string& path);

// Save As a 256-colour BMP: MakePaletteDib, then WriteBitmapFile.
bool SaveAs256ColourBmp(const DibImage& picture, const std::string& path);

// The adjustment dialog opened on `picture`, every slider moved (brightness
// +20, contrast +20, saturation +20, sharpness 40), then OK.
bool AdjustAndApply(DibImage& picture);

// A 24-bit picture's header and rows as a BMP file.
bool WritePictureBmp(const DibImage& picture, const std::string& path);

// Mean absolute difference per colour channel between a 24-bit picture and
// the 8- or 24-bit BMP file at `path` of the same size; negative when the file
// is unreadable or of another size.
double MeanColourError(const DibImage& picture, const std::string& path);

}  // namespace lumarel::bench
