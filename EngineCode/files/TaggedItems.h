// The tagged-item layout shared by session files (SessionFile.h) and the preferences file
// (PrefsFile.h): an item is a four-character tag, an unsigned 32-bit length L and L bytes of
// payload; a block is an item whose payload is a sequence of items ended by a closing tag (four
// bytes, no length), its L counting everything after the length field up to and including the
// closing tag; a file ends with the bare tag "STOP". Also the plot-settings items that both
// files carry, and the style and label items of patterns and defaults.
#pragma once

#include "ByteStream.h"
#include "FieldReader.h"
#include "Records.h"

#include <functional>
#include <vector>

// ---- writing ----

// Writes items to a seekable file. Lengths are filled in when an item or block ends, so every
// stored length equals the payload written. The first error sticks; later writes do nothing.
class ItemWriter {
public:
    explicit ItemWriter(std::FILE* file) : file_(file) {}

    ItemWriter& Tag(UInt32 tag);  // a bare tag: a closing tag, or "STOP"
    void BeginItem(UInt32 tag);   // tag and a length that EndItem fills in
    void EndItem();
    void BeginBlock(UInt32 tag) { BeginItem(tag); }
    void EndBlock(UInt32 closeTag);
    // An item whose length field says declaredLength whatever follows it.
    void ItemWithLength(UInt32 tag, UInt32 declaredLength);

    ItemWriter& operator()(UInt8 v);
    ItemWriter& operator()(Boolean v);
    ItemWriter& operator()(UInt16 v);
    ItemWriter& operator()(UInt32 v);
    ItemWriter& operator()(Float32 v);
    ItemWriter& operator()(double v);
    ItemWriter& operator()(const Rect& v);
    ItemWriter& operator()(const RGBColor& v);
    ItemWriter& Chars(std::size_t n, const void* bytes);
    ItemWriter& Text(const std::string& utf8);  // UTF-16 code units, no length

    OSErr error() const { return error_; }

private:
    ItemWriter& Check(OSErr err);
    std::FILE* file_;
    OSErr error_ = kNoErr;
    std::vector<long> openLengths_;  // file positions of the length fields still to be filled in
};

// ---- reading ----

// Reads items from a file, never past its end: every length is checked against the bytes that
// are actually left before anything is allocated or skipped.
class ItemReader {
public:
    explicit ItemReader(std::FILE* file);

    bool ReadTag(UInt32* tag);
    bool ReadLength(UInt32* length);
    // The next n bytes as a buffer; null (nothing allocated) when fewer than n are left.
    FileBufferPtr ReadPayload(UInt32 n);
    bool Skip(UInt32 n);
    long long BytesLeft() const;
    std::FILE* file() const { return file_; }

private:
    std::FILE* file_;
    long long size_ = 0;  // bytes in the file
};

enum class ItemResult { Read, Unknown, Failed };

// Reads items until closeTag, handing each tag and length to handle; items it does not know are
// skipped by their length. A read error where a tag is expected counts as the closing tag. False
// when handle fails, a length cannot be read, or a skipped item runs past the end of the file.
[[nodiscard]] bool ReadItemsUntil(ItemReader& in, UInt32 closeTag, const std::function<ItemResult(UInt32, UInt32)>& handle);

// Reads an item's payload of length bytes and lets parse read its fields; Failed when the payload
// is not there or parse finds a field missing.
ItemResult ReadItemFields(ItemReader& in, UInt32 length, const std::function<void(FieldReader&)>& parse);

// ---- shared items ----

// Plot style of a pattern, a mixture or the residual: colour, plot style, line style, line width,
// marker size (18 bytes).
struct StyleRef {
    RGBColor* colour;
    UInt16* plotStyle;
    UInt16* lineStyle;
    Float32* lineWidth;
    Float32* markerSize;
};
void WriteStyleItem(ItemWriter& out, UInt32 tag, const StyleRef& style);
void ReadStyleFields(FieldReader& in, const StyleRef& style);

// Peak-label settings: show flag, threshold (percent), and one character per flag that is on,
// "H" hkl, "D" d-spacings, "X" position, "P" phase, in that order.
struct LabelRef {
    Boolean* showLabel;
    UInt16* labelThreshold;
    Boolean* labelHKL;
    Boolean* labelDSpacings;
    Boolean* labelTwoTheta;
    Boolean* labelPhases;
};
void WriteLabelItem(ItemWriter& out, const LabelRef& label);
// Reading turns on the flags the item names and turns off the others.
ItemResult ReadLabelItem(ItemReader& in, UInt32 length, const LabelRef& label);

// The plot-settings items of a "PLT_" block. Sessions declare 32 bytes for "RANG" though 16
// follow; the preferences file declares 16. Readers always read 16.
enum class PlotSpecsFlavour { Session, Prefs };
void WritePlotSpecsItems(ItemWriter& out, const PlotSpecsRec& ps, PlotSpecsFlavour flavour);
ItemResult ReadPlotSpecsItem(ItemReader& in, UInt32 tag, UInt32 length, PlotSpecsRec* ps);

// True when every stored number of the plot settings is finite (a damaged file can carry
// NaN or infinities that would poison every later calculation and drawing).
bool PlotSpecsAreFinite(const PlotSpecsRec& ps);
