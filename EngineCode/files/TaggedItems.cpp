// Tagged items: writer with filled-in lengths, bounded reader, and the items that session and
// preferences files share.
#include "TaggedItems.h"

#include <cmath>

// ---- ItemWriter ----

ItemWriter& ItemWriter::Check(OSErr err)
{
    if (error_ == kNoErr && err != kNoErr)
        error_ = err;
    return *this;
}

ItemWriter& ItemWriter::Tag(UInt32 tag)
{
    return (*this)(tag);
}

void ItemWriter::BeginItem(UInt32 tag)
{
    Tag(tag);
    if (error_ != kNoErr)
        return;
    const long at = std::ftell(file_);
    if (at < 0) {
        Check(kIOErr);
        return;
    }
    openLengths_.push_back(at);
    (*this)(UInt32{0});
}

void ItemWriter::EndItem()
{
    if (openLengths_.empty()) {
        Check(kParamErr);
        return;
    }
    const long lengthAt = openLengths_.back();
    openLengths_.pop_back();
    if (error_ != kNoErr)
        return;
    const long end = std::ftell(file_);
    if (end < lengthAt + 4 || std::fseek(file_, lengthAt, SEEK_SET) != 0) {
        Check(kIOErr);
        return;
    }
    (*this)(static_cast<UInt32>(end - lengthAt - 4));
    if (std::fseek(file_, end, SEEK_SET) != 0)
        Check(kIOErr);
}

void ItemWriter::EndBlock(UInt32 closeTag)
{
    Tag(closeTag);
    EndItem();
}

void ItemWriter::ItemWithLength(UInt32 tag, UInt32 declaredLength)
{
    Tag(tag);
    (*this)(declaredLength);
}

ItemWriter& ItemWriter::operator()(UInt8 v)
{
    return error_ ? *this : Check(MyFSWriteUInt8(file_, v));
}

ItemWriter& ItemWriter::operator()(Boolean v)
{
    return error_ ? *this : Check(MyFSWriteBoolean(file_, v));
}

ItemWriter& ItemWriter::operator()(UInt16 v)
{
    return error_ ? *this : Check(MyFSWriteUInt16(file_, v));
}

ItemWriter& ItemWriter::operator()(UInt32 v)
{
    return error_ ? *this : Check(MyFSWriteUInt32(file_, v));
}

ItemWriter& ItemWriter::operator()(Float32 v)
{
    return error_ ? *this : Check(MyFSWriteFloat32(file_, v));
}

ItemWriter& ItemWriter::operator()(double v)
{
    return error_ ? *this : Check(MyFSWriteDouble(file_, v));
}

ItemWriter& ItemWriter::operator()(const Rect& v)
{
    return error_ ? *this : Check(MyFSWriteQDRect(file_, v));
}

ItemWriter& ItemWriter::operator()(const RGBColor& v)
{
    return error_ ? *this : Check(MyFSWriteRGBColor(file_, v));
}

ItemWriter& ItemWriter::Chars(std::size_t n, const void* bytes)
{
    return error_ ? *this : Check(MyFSWriteChars(file_, n, bytes));
}

ItemWriter& ItemWriter::Text(const std::string& utf8)
{
    return error_ ? *this : Check(MyFSWriteCFString(file_, utf8));
}

// ---- ItemReader ----

ItemReader::ItemReader(std::FILE* file) : file_(file)
{
    if (!file_)
        return;
    const long here = std::ftell(file_);
    if (here >= 0 && std::fseek(file_, 0, SEEK_END) == 0) {
        const long end = std::ftell(file_);
        size_ = end >= 0 ? end : 0;
        std::fseek(file_, here, SEEK_SET);
    }
}

long long ItemReader::BytesLeft() const
{
    if (!file_)
        return 0;
    const long here = std::ftell(file_);
    return here < 0 || here > size_ ? 0 : size_ - here;
}

bool ItemReader::ReadTag(UInt32* tag)
{
    return MyFSReadUInt32(file_, tag) == kNoErr;
}

bool ItemReader::ReadLength(UInt32* length)
{
    return MyFSReadUInt32(file_, length) == kNoErr;
}

FileBufferPtr ItemReader::ReadPayload(UInt32 n)
{
    if (static_cast<long long>(n) > BytesLeft())
        return nullptr;
    return ReadFileBuffer(file_, n);
}

bool ItemReader::Skip(UInt32 n)
{
    if (static_cast<long long>(n) > BytesLeft())
        return false;
    return std::fseek(file_, static_cast<long>(n), SEEK_CUR) == 0;
}

bool ReadItemsUntil(ItemReader& in, UInt32 closeTag, const std::function<ItemResult(UInt32, UInt32)>& handle)
{
    for (;;) {
        UInt32 tag = 0, length = 0;
        if (!in.ReadTag(&tag) || tag == closeTag)
            return true;
        if (!in.ReadLength(&length))
            return false;
        switch (handle(tag, length)) {
        case ItemResult::Read: break;
        case ItemResult::Unknown:
            if (!in.Skip(length))
                return false;
            break;
        case ItemResult::Failed: return false;
        }
    }
}

ItemResult ReadItemFields(ItemReader& in, UInt32 length, const std::function<void(FieldReader&)>& parse)
{
    FileBufferPtr payload = in.ReadPayload(length);
    if (!payload)
        return ItemResult::Failed;
    FieldReader fields(payload.get());
    parse(fields);
    return fields.ok() ? ItemResult::Read : ItemResult::Failed;
}

// ---- style and label items ----

void WriteStyleItem(ItemWriter& out, UInt32 tag, const StyleRef& style)
{
    out.BeginItem(tag);
    out(*style.colour)(*style.plotStyle)(*style.lineStyle)(*style.lineWidth)(*style.markerSize);
    out.EndItem();
}

void ReadStyleFields(FieldReader& in, const StyleRef& style)
{
    in(*style.colour)(*style.plotStyle)(*style.lineStyle)(*style.lineWidth)(*style.markerSize);
}

void WriteLabelItem(ItemWriter& out, const LabelRef& label)
{
    std::string flags;
    if (*label.labelHKL)
        flags += 'H';
    if (*label.labelDSpacings)
        flags += 'D';
    if (*label.labelTwoTheta)
        flags += 'X';
    if (*label.labelPhases)
        flags += 'P';
    out.BeginItem(FourCC("Labl"));
    out(*label.showLabel)(*label.labelThreshold)(static_cast<UInt8>(flags.size()));
    out.Chars(flags.size(), flags.data());
    out.EndItem();
}

ItemResult ReadLabelItem(ItemReader& in, UInt32 length, const LabelRef& label)
{
    return ReadItemFields(in, length, [&](FieldReader& r) {
        Boolean show = false;
        UInt16 threshold = 0;
        UInt8 n = 0;
        char flags[255];
        r(show)(threshold)(n).Chars(n, flags);
        if (!r.ok())
            return;
        *label.showLabel = show;
        *label.labelThreshold = threshold;
        // The item names every flag that is on, so the others are off: a flag turned off must
        // not come back on from a new record's default.
        *label.labelHKL = *label.labelDSpacings = *label.labelTwoTheta = *label.labelPhases = false;
        for (UInt8 i = 0; i < n; ++i) {
            switch (flags[i]) {
            case 'H': *label.labelHKL = true; break;
            case 'D': *label.labelDSpacings = true; break;
            case 'X': *label.labelTwoTheta = true; break;
            case 'P': *label.labelPhases = true; break;
            default: break;
            }
        }
    });
}

// ---- plot settings ----

namespace {

StyleRef CrystalMixStyle(PlotSpecsRec& ps)
{
    return {&ps.crystalMixColor, &ps.crystalMixPlotStyle, &ps.crystalMixLineStyle, &ps.crystalMixLineWidth,
            &ps.crystalMixMarkerSize};
}

StyleRef DatasetMixStyle(PlotSpecsRec& ps)
{
    return {&ps.datasetMixColor, &ps.datasetMixPlotStyle, &ps.datasetMixLineStyle, &ps.datasetMixLineWidth,
            &ps.datasetMixMarkerSize};
}

StyleRef ResidualStyle(PlotSpecsRec& ps)
{
    return {&ps.residualColor, &ps.residualPlotStyle, &ps.residualLineStyle, &ps.residualLineWidth,
            &ps.residualMarkerSize};
}

// The weight of the second wavelength is stored as 1 / lambdaRatio; both ways are computed in
// double so that a ratio survives the trip unchanged.
Float32 Reciprocal(Float32 v)
{
    return static_cast<Float32>(1.0 / static_cast<double>(v));
}

}  // namespace

void WritePlotSpecsItems(ItemWriter& out, const PlotSpecsRec& specs, PlotSpecsFlavour flavour)
{
    PlotSpecsRec ps = specs;  // the style references below need non-const fields
    auto item = [&out](const char(&tag)[5], auto... fields) {
        out.BeginItem(FourCC(tag));
        (out(fields), ...);
        out.EndItem();
    };
    item("*MIX", ps.plotMixture);
    item("PLT?", static_cast<UInt16>(ps.plotType > 0 ? 2 : 1), static_cast<UInt16>(std::abs(int{ps.plotType})));
    item("AXS?", static_cast<UInt16>(ps.axisType));
    item("OPK?", ps.overlayPeakStyle);
    item("CURS", ps.showCursor, ps.cursorXPos);
    item("GREY", ps.filmThreshold);
    item("GRID", ps.showGrids, ps.windowColor, UInt16{1});
    item("*LGN", ps.showLegend);
    item("*RES", ps.showResidual);
    item("IREL", ps.relativeIntensity);
    out.ItemWithLength(FourCC("RANG"), flavour == PlotSpecsFlavour::Session ? 32 : 16);
    out(ps.xmin)(ps.xmax)(ps.ymin)(ps.ymax);
    item("XLIM", ps.xminLimit, ps.xmaxLimit);
    item("SCAL", ps.xscale, ps.yscale);
    item("FWHM", ps.fwhm);
    item("MONO", ps.monochromatic);
    item("RAD?", ps.radType);
    item("WAVL", UInt16{2}, ps.lambda, 1.0f, ps.lambda2, Reciprocal(ps.lambdaRatio));
    item("tEDS", ps.thetaEnergy);
    item("tTOF", ps.thetaTimeOfFlight);
    item("dTOF", ps.distanceTimeOfFlight);
    item("PETA", ps.eta);
    item("dMin", ps.dMin);
    item("Max#", ps.restrictNumRefs, ps.maxNumRefs);
    // Specimen displacement and goniometer radius (mm); readers that do not know them skip them.
    item("SDsp", ps.specimenDisplacement, ps.goniometerRadius);
    // Anomalous scattering on or off; readers that do not know it skip it (and keep it off).
    item("ANOM", ps.anomalous);
    WriteStyleItem(out, FourCC("XmPS"), CrystalMixStyle(ps));
    WriteStyleItem(out, FourCC("DmPS"), DatasetMixStyle(ps));
    WriteStyleItem(out, FourCC("RsPS"), ResidualStyle(ps));
}

ItemResult ReadPlotSpecsItem(ItemReader& in, UInt32 tag, UInt32 length, PlotSpecsRec* ps)
{
    auto fields = [&](auto parse) { return ReadItemFields(in, length, parse); };
    switch (tag) {
    case FourCC("*MIX"): return fields([&](FieldReader& r) { r(ps->plotMixture); });
    case FourCC("PLT?"):
        return fields([&](FieldReader& r) {
            UInt16 sign = 0, magnitude = 0;
            if (r(sign)(magnitude).ok())
                ps->plotType = static_cast<SInt16>(sign == 1 ? -static_cast<int>(magnitude) : magnitude);
        });
    case FourCC("AXS?"):
        return fields([&](FieldReader& r) { r(ps->axisType); });
    case FourCC("OPK?"): return fields([&](FieldReader& r) { r(ps->overlayPeakStyle); });
    case FourCC("CURS"): return fields([&](FieldReader& r) { r(ps->showCursor)(ps->cursorXPos); });
    case FourCC("GREY"): return fields([&](FieldReader& r) { r(ps->filmThreshold); });
    case FourCC("GRID"):
        return fields([&](FieldReader& r) {
            UInt16 ignored = 0;
            r(ps->showGrids)(ps->windowColor)(ignored);
        });
    case FourCC("*LGN"): return fields([&](FieldReader& r) { r(ps->showLegend); });
    case FourCC("*RES"): return fields([&](FieldReader& r) { r(ps->showResidual); });
    case FourCC("IREL"): return fields([&](FieldReader& r) { r(ps->relativeIntensity); });
    case FourCC("RANG"):
        // Sessions declare 32 bytes here but write 16: the four floats are read whatever L says.
        return ReadItemFields(in, 16, [&](FieldReader& r) { r(ps->xmin)(ps->xmax)(ps->ymin)(ps->ymax); });
    case FourCC("XLIM"): return fields([&](FieldReader& r) { r(ps->xminLimit)(ps->xmaxLimit); });
    case FourCC("SCAL"): return fields([&](FieldReader& r) { r(ps->xscale)(ps->yscale); });
    case FourCC("FWHM"): return fields([&](FieldReader& r) { r(ps->fwhm); });
    case FourCC("MONO"): return fields([&](FieldReader& r) { r(ps->monochromatic); });
    case FourCC("RAD?"): return fields([&](FieldReader& r) { r(ps->radType); });
    case FourCC("WAVL"):
        return fields([&](FieldReader& r) {
            UInt16 pairs = 0;
            r(pairs);
            for (UInt16 i = 0; i < pairs && r.ok(); ++i) {
                Float32 lambda = 0, weight = 0;
                r(lambda)(weight);
                if (!r.ok())
                    break;
                if (i == 0) {
                    ps->lambda = lambda;
                } else if (i == 1) {
                    ps->lambda2 = lambda;
                    ps->lambdaRatio = Reciprocal(weight);
                }
            }
        });
    case FourCC("tEDS"): return fields([&](FieldReader& r) { r(ps->thetaEnergy); });
    case FourCC("tTOF"): return fields([&](FieldReader& r) { r(ps->thetaTimeOfFlight); });
    case FourCC("dTOF"): return fields([&](FieldReader& r) { r(ps->distanceTimeOfFlight); });
    case FourCC("PETA"): return fields([&](FieldReader& r) { r(ps->eta); });
    case FourCC("dMin"): return fields([&](FieldReader& r) { r(ps->dMin); });
    case FourCC("Max#"): return fields([&](FieldReader& r) { r(ps->restrictNumRefs)(ps->maxNumRefs); });
    case FourCC("SDsp"):
        return fields([&](FieldReader& r) { r(ps->specimenDisplacement)(ps->goniometerRadius); });
    case FourCC("ANOM"): return fields([&](FieldReader& r) { r(ps->anomalous); });
    case FourCC("XmPS"): return fields([&](FieldReader& r) { ReadStyleFields(r, CrystalMixStyle(*ps)); });
    case FourCC("DmPS"): return fields([&](FieldReader& r) { ReadStyleFields(r, DatasetMixStyle(*ps)); });
    case FourCC("RsPS"): return fields([&](FieldReader& r) { ReadStyleFields(r, ResidualStyle(*ps)); });
    default: return ItemResult::Unknown;
    }
}

bool PlotSpecsAreFinite(const PlotSpecsRec& ps)
{
    const Float32 values[] = {ps.cursorXPos,         ps.xmin,
                              ps.xmax,               ps.ymin,
                              ps.ymax,               ps.xminLimit,
                              ps.xmaxLimit,          ps.xscale,
                              ps.yscale,             ps.fwhm,
                              ps.lambda,             ps.lambda2,
                              ps.lambdaRatio,        ps.dMin,
                              ps.thetaEnergy,        ps.thetaTimeOfFlight,
                              ps.distanceTimeOfFlight, ps.eta,
                              ps.crystalMixLineWidth, ps.crystalMixMarkerSize,
                              ps.datasetMixLineWidth, ps.datasetMixMarkerSize,
                              ps.residualLineWidth,  ps.residualMarkerSize,
                              ps.exportChannelSize,  ps.specimenDisplacement,
                              ps.goniometerRadius};
    for (Float32 v : values)
        if (!std::isfinite(v))
            return false;
    return true;
}
