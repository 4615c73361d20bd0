#pragma once
// One font of a document at one size: identity, scaled character metrics, the
// packets of a virtual font, and the outline face that paints it.

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "font/JapaneseFont.h"
#include "font/KsDviTTFMap.h"
#include "font/MetricFileStream.h"
#include "font/NativeFont.h"
#include "stream/String8.h"

namespace ksdvi {

class ByteReader;
class FixWordScaler;
class FontRegistry;

// Known to the document's users as KsDvi::ItrnFont.
class ItrnFont {
public:
    // The outline face for one kind of character code, sizes in DVI units.
    struct TTFInfo {
        String8 faceName;  // null: no face set
        int height = 0;
        int averagewidth = 0;
        int vadjustment = 0;
        int weight = 0;
        int italic = 0;
        int slant = 0;
        // TeX's font programs: the file that holds the face, the encoding
        // vector's file, and the SlantFont and ExtendFont of its map entry.
        String8 fontFile;
        String8 encFile;
        double slantFont = 0;
        double extendFont = 1;
    };

    static constexpr int LocalFontIndexSize = 65536;

    // `owner` loads the fonts a virtual font names.
    ItrnFont(FontRegistry* owner, String8 const& area, String8 const& name, unsigned int scale);
    ItrnFont(ItrnFont const&) = delete;
    ItrnFont& operator=(ItrnFont const&) = delete;
    ~ItrnFont();

    int LoadTfm(String8 const& path);
    int LoadOfm(String8 const& path);
    // pTeX's JFM (id 11 horizontal, 9 vertical): metrics by character type.
    int LoadJfm(MetricFileStream& in, uint32_t id, uint32_t nt);
    int LoadOfmLevel0(MetricFileStream& in);
    int LoadOfmLevel1(MetricFileStream& in);
    void LoadVf(String8 const& path);
    // The same from the file's bytes (empty when it could not be read).
    void LoadVf(std::vector<unsigned char> const& bytes);
    static std::vector<unsigned char> ReadVfFile(String8 const& path);
    void LoadTTFInfo(KsDviTTFMap const* map);

    int GetID() const { return id_; }
    String8 const& GetName() const { return name_; }
    String8 const& GetArea() const { return area_; }
    unsigned int GetDesignSize() const { return designSize_; }
    int GetScaleSize() const { return scaleSize_; }
    unsigned int GetRotate() const { return rotate_; }
    uint32_t GetChecksum() const { return checksum_; }
    int IsVirtual() const { return virtual_; }
    unsigned int GetFirstCode() const { return bc_; }
    unsigned int GetLastCode() const { return ec_; }

    int IsValidChar(unsigned int c) const { return HasSlot(Slot(c)); }
    int GetCharWidthA(unsigned int c) const {
        unsigned s = Slot(c);
        return HasSlot(s) ? widths_[widthIndex_[s - bc_]] : 0;
    }
    int GetCharHeight(unsigned int c) const {
        unsigned s = Slot(c);
        return HasSlot(s) ? heights_[heightIndex_[s - bc_]] : 0;
    }
    int GetCharDepth(unsigned int c) const {
        unsigned s = Slot(c);
        return HasSlot(s) ? depths_[depthIndex_[s - bc_]] : 0;
    }
    // JFM fonts: codes (JIS or Unicode) share metrics by character type,
    // those the table leaves out being of type 0.
    bool IsJfm() const { return jfmId_ != 0; }
    bool IsTateJfm() const { return jfmId_ == kJfmTate; }
    unsigned GetCharType(unsigned code) const;
    // How a JFM font's codes are painted and read (null for other fonts, and
    // for virtual ones, whose packets set other fonts).
    JapaneseFont const* GetJapanese() const { return japanese_.get(); }
    unsigned char const* GetCharPacket(unsigned int c) const;
    int GetCharPacketLength(unsigned int c) const;

    // Local font numbers below GetLocalFontIndexSize(), at most LocalFontIndexSize.
    ItrnFont const* const* GetLocalFontIndex() const { return localFonts_.empty() ? nullptr : localFonts_.data(); }
    int GetLocalFontIndexSize() const { return static_cast<int>(localFonts_.size()); }
    int GetFirstLocalFont() const { return firstLocalFont_; }

    int IsDBCEnabled() const { return !dbcInfo_.faceName.IsNull(); }
    KsDviTTFMap::EncodingName GetEncoding() const { return encoding_; }
    int GetxSeriesFontIndex() const { return xSeriesIndex_; }
    TTFInfo const& GetSBCTTFInfo() const { return sbcInfo_; }
    TTFInfo const& GetDBCTTFInfo() const { return dbcInfo_; }
    // The glyph names of the codes of an ENC_GLYPH_NAMES font, else null.
    EncodingVector const* GetGlyphNames() const { return glyphNames_.get(); }
    // XeTeX's native fonts: set by glyph index, without TeX metrics; else null.
    NativeFont const* GetNative() const { return native_.get(); }

    static constexpr uint32_t kJfmYoko = 11, kJfmTate = 9;

private:
    friend class FontRegistry;

    unsigned Slot(unsigned c) const { return IsJfm() ? GetCharType(c) : c; }
    bool HasSlot(unsigned s) const {
        return s >= bc_ && s <= ec_ && s - bc_ < widthIndex_.size() && widthIndex_[s - bc_] != 0;
    }
    // A code's packet: stored by code for JFM fonts, whose codes are many and sparse.
    void StorePacket(unsigned c, std::vector<unsigned char> const& bytes);
    void ForgetPacket(unsigned c);

    // Reads the face description that a TFM header may carry (words 18 and up).
    void ReadHeaderTTFInfo(std::vector<uint32_t> const& header, FixWordScaler const& scaler);
    // Whether the file holds `words` four-byte words: files that claim more
    // than they hold are rejected before anything is allocated for them.
    static bool FileHolds(MetricFileStream& in, uint32_t words);
    // Validates the index tables against the value tables once they are read.
    bool IndexesFitTables() const;
    void AllocateTables(uint32_t codes, uint32_t nw, uint32_t nh, uint32_t nd);
    int ReadDimensions(MetricFileStream& in, FixWordScaler const& scaler);
    int ReadHeader(MetricFileStream& in, uint32_t lh);
    void LoadVfFntDef(int scale, ByteReader& in, unsigned int k);
    void LoadVfCharPacket(int scale, ByteReader& in, unsigned int c);
    void DropPackets();

    int id_ = -1;
    FontRegistry* owner_;
    ItrnFont* next_ = nullptr;
    int virtual_ = 0;
    uint32_t checksum_ = 0;
    String8 area_;
    String8 name_;
    uint32_t designSize_ = 0;
    uint32_t rotate_ = 0;
    int scaleSize_;
    uint32_t bc_ = 1;
    uint32_t ec_ = 0;
    std::vector<uint16_t> widthIndex_;
    std::vector<int32_t> widths_;
    std::vector<uint8_t> heightIndex_;
    std::vector<int32_t> heights_;
    std::vector<uint8_t> depthIndex_;
    std::vector<int32_t> depths_;
    // virtual fonts only: one stored packet per code (null: no packet; a
    // packet of length 0 still has its one-byte allocation)
    std::vector<int> packetLengths_;
    std::vector<std::unique_ptr<unsigned char[]>> packets_;
    std::vector<ItrnFont const*> localFonts_;  // up to the highest local font number defined
    int firstLocalFont_ = -1;
    TTFInfo sbcInfo_;
    TTFInfo dbcInfo_;
    KsDviTTFMap::EncodingName encoding_ = KsDviTTFMap::ENC_OT1;
    std::shared_ptr<EncodingVector const> glyphNames_;
    int xSeriesIndex_ = 1;
    std::unique_ptr<NativeFont const> native_;
    uint32_t jfmId_ = 0;
    std::vector<uint32_t> jfmCodes_;  // ascending, each with its type
    std::vector<uint8_t> jfmTypes_;
    std::unordered_map<uint32_t, std::vector<unsigned char>> jfmPackets_;
    std::unique_ptr<JapaneseFont const> japanese_;
};

}  // namespace ksdvi
