// Writes the component-stream archive container: the layout an archive reader
// accepts, used by the asset tool and by tests to build archives.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/rect.h"
#include "engine/rgb_image.h"

namespace brakkon::engine {

// Low-level writer of one archive: resource header, "TPF0", one root component
// record with its property list. Values are written as the container's typed
// values; collections nest through Begin/End calls.
class TComponentWriter {
 public:
  // Starts the archive. The resource name is upper-cased and cut to 63 characters.
  TComponentWriter(std::string_view resourceName, std::string_view className,
                   std::string_view componentName);

  void PropertyName(std::string_view name);

  // Typed values, one call per value.
  void Null();       // 0
  void BeginList();  // 1 ... EndList
  void EndList();
  void Int8(std::int8_t value);                        // 2
  void Int16(std::int16_t value);                      // 3
  void Int32(std::int32_t value);                      // 4
  void Integer(std::int32_t value);                    // the smallest of 2, 3, 4
  void Extended(long double value);                    // 5, 10 bytes
  void ShortString(std::string_view value);            // 6
  void Identifier(std::string_view value);             // 7
  void Boolean(bool value);                            // 8 / 9
  void Binary(std::span<const std::uint8_t> value);    // 10
  void Set(const std::vector<std::string>& elements);  // 11
  void LongString(std::string_view value);             // 12
  void String(std::string_view value);                 // 6 when it fits, else 12
  void Nil();                                          // 13
  void BeginCollection();                              // 14 ... EndCollection
  void BeginItem();  // optional order value omitted; list-begin byte
  void EndItem();    // ends the item's property list
  void EndCollection();
  void Single(float value);                            // 15
  void Currency(std::int64_t scaledBy10000);           // 16
  void Date(double value);                             // 17
  void WideString(std::u16string_view value);          // 18
  void Int64(std::int64_t value);                      // 19
  void Utf8String(std::string_view value);             // 20
  void RawBytes(std::span<const std::uint8_t> bytes);  // for hand-made malformed fixtures

  // Ends the root's property list and child list and patches the stream length.
  std::vector<std::uint8_t> Finish();

 private:
  std::vector<std::uint8_t> out_;
  std::size_t lengthOffset_ = 0;
  std::size_t streamStart_ = 0;
};

// One picture item as the writer stores it (properties in the reader's order;
// skips written only when non-zero).
struct ImageArchiveItem {
  std::string name;
  int patternWidth = 0;  // 0 = the whole picture
  int patternHeight = 0;
  int skipWidth = 0;
  int skipHeight = 0;
  bool systemMemory = false;
  bool transparent = true;
  TColor transparentColor = 0;
  RgbImage image;
};

// `Picture.Data` payload of a 24-bit TDIB ("TDIB" class name, 40-byte header,
// bottom-up rows).
std::vector<std::uint8_t> EncodeDib24PictureData(const RgbImage& image);

// What an archive's root carries besides its list: a component name and
// integer properties of the component class (`Tag`; `Left` and `Top` of a
// component placed at design time), written before the list. The game's own
// archives carry none of them.
struct ArchiveRoot {
  std::string componentName;
  std::vector<std::pair<std::string, std::int32_t>> integers;
};

// A complete image archive (root class TPictureCollectionComponent, a 1024-byte
// `List.ColorTable`, the `List` collection).
std::vector<std::uint8_t> WriteImageArchive(const std::vector<ImageArchiveItem>& items,
                                            std::string_view resourceName = "IMAGES",
                                            const ArchiveRoot& root = {});

// One sound item: `Name`, `Looped`, `MaxPlayingCount`, `Wave.WAVE` (a complete RIFF WAVE image).
struct SoundArchiveItem {
  std::string name;
  bool looped = false;
  int maxPlayingCount = 0;
  std::vector<std::uint8_t> wave;
};

// A complete sound archive (root class TWaveCollectionComponent, the `List` collection).
std::vector<std::uint8_t> WriteSoundArchive(const std::vector<SoundArchiveItem>& items,
                                            std::string_view resourceName = "SOUNDS",
                                            const ArchiveRoot& root = {});

// Writes bytes to a file; raises EFOpenError when it cannot be created.
void WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace brakkon::engine
