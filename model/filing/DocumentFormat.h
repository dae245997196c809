#pragma once
// The byte layout shared by every binary object stream: byte order, real widths and their tags,
// the version strings and what each selects, the five characters that documents store in the
// Macintosh character set, the unit tags of older files, and the block codes the filing layer
// itself gives meaning to.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// Failures of the filing layer.
inline constexpr int16_t kErrTextFormat = -25001;      // the text world format is damaged
inline constexpr int16_t kErrBadFormat = -25002;       // a binary stream is damaged or unknown
inline constexpr int16_t kErrResourceFormat = -25005;  // a stored default-objects resource is bad
inline constexpr int16_t kErrRecordEnded = -25007;     // a record ended before its data
inline constexpr int16_t kErrReadCancelled = -25008;   // the user cancelled a read
inline constexpr int16_t kErrCodeRange = -25213;       // a code does not fit a 2-byte stream code
inline constexpr int16_t kErrBlockAbandoned = -1;      // an object gave up one block only

// Block codes with a meaning of their own.
inline constexpr int32_t kCodeBoundary = -1;        // end of an object; as identifier: end of all
inline constexpr int32_t kCodeShortRecord = 666;    // the block written alone for change records
inline constexpr int32_t kCodeOutOfRange = 4999;    // what a code that does not fit is read as
inline constexpr int32_t kCodeFirstUIBlock = 5000;  // from here on left out of native streams
inline constexpr int32_t kCodeContents = 5009;
inline constexpr int32_t kCodeColour = 5004;

// A native stream code must lie in this range.
inline constexpr int32_t kNativeCodeMin = -32767;
inline constexpr int32_t kNativeCodeMax = 32767;

// "ZodA": the first four bytes of every binary stream, in file order.
inline constexpr char kStreamSignature[4] = {'Z', 'o', 'd', 'A'};
inline constexpr std::string_view kVersion3X = "YB3X";
inline constexpr std::string_view kVersionNative = "3";
inline constexpr std::string_view kProgramVersion = "Version 2.5";
inline constexpr std::string_view kSystemName = "MSWindows";
// The number of empty strings that close a full header.
inline constexpr int kTrailingHeaderStrings = 4;
// The blank class tag that ends an object's class tag list.
inline constexpr char kBlankTag[4] = {' ', ' ', ' ', ' '};

// Width in bits of the reals of a stream.
enum class RealWidth : int16_t { k32 = 32, k64 = 64, k80 = 80, k96 = 96 };

// "IE32", "IE64", "IE80" or "IE96".
std::string_view RealFormatTag(RealWidth width);
// The width a real-format tag names; none for any other text.
std::optional<RealWidth> ParseRealFormatTag(std::string_view tag);
// The tag a writer chooses from the size in bytes of its widest floating type.
std::string_view RealFormatTagForSize(size_t bytes);
// The caller's choice of real format as ReadObjects takes it: 0..3, anything else 64-bit.
RealWidth RealWidthFromFormat(int format);
// Bytes that one stored real of the width occupies.
size_t RealWidthBytes(RealWidth width);

// What a version string selects.
struct VersionInfo {
  int32_t number;       // available to objects while they read their blocks
  bool family3x;        // blocks carry their length
  bool extendedHeader;  // 4-byte codes, class tags and the further header strings
  bool unversioned;     // the string was empty
};
// The version table; number stays at current for strings the table does not list.
VersionInfo LookupVersion(std::string_view version, int32_t current = 5);

// The recoding of the five characters that documents store in the Macintosh character set. Both
// directions are applied byte by byte; other bytes pass unchanged. The mapping is not one-to-one
// (a byte that already is one of the five Macintosh codes reads back as its Windows partner), and
// stored files rely on it exactly as it stands.
uint8_t RecodeToStored(uint8_t c);
uint8_t RecodeFromStored(uint8_t c);

// The unit tag of an older file whose bytes (in file order) hold Macintosh characters, as the
// tag it stands for now; any other four bytes are answered unchanged.
void TranslateUnitTag(uint8_t bytes[4]);

// Big-endian and host-order encoding of the fixed-size numbers.
void StoreBig16(uint8_t* out, uint16_t value);
void StoreBig32(uint8_t* out, uint32_t value);
uint16_t LoadBig16(const uint8_t* in);
uint32_t LoadBig32(const uint8_t* in);

// A stored real of the given width as a double. The bytes are in host order, or big-endian when
// bigEndian is set. Too few bytes yield 0.0.
double DecodeReal(std::span<const uint8_t> bytes, RealWidth width, bool bigEndian);
