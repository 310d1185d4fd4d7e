// Record types of one order-of-battle data file and the tables that hold them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

constexpr int UnitCount = 249;
constexpr int WeaponCount = 249;
constexpr int FormationCount = 199;
constexpr int NameLength = 15;
constexpr std::size_t OrbImageSize = 44500;

// A name: 0..15 bytes, each 1..255, held in the record itself and padded with zeros, exactly as
// the file holds it (where fifteen bytes need no terminator). Records of such names copy as plain
// bytes, and loading a file builds no strings.
class OrbName {
public:
    OrbName() = default;
    // Keeps the bytes up to the first zero byte, at most fifteen.
    explicit OrbName(std::string_view text) { *this = text; }
    OrbName& operator=(std::string_view text)
    {
        std::size_t n = 0;
        while (n < text.size() && n < NameLength && text[n])
            ++n;
        std::memcpy(bytes_, text.data(), n);
        std::memset(bytes_ + n, 0, sizeof bytes_ - n);
        return *this;
    }

    std::size_t size() const { return std::strlen(bytes_); }
    bool empty() const { return !bytes_[0]; }
    const char* data() const { return bytes_; }
    const char* c_str() const { return bytes_; }
    const char* begin() const { return bytes_; }
    const char* end() const { return bytes_ + size(); }
    char operator[](std::size_t i) const { return bytes_[i]; }
    void clear() { std::memset(bytes_, 0, sizeof bytes_); }
    std::string str() const { return std::string(bytes_, size()); }
    operator std::string() const { return str(); }
    operator std::string_view() const { return std::string_view(bytes_, size()); }

    friend bool operator==(const OrbName& a, const OrbName& b) { return std::memcmp(a.bytes_, b.bytes_, sizeof a.bytes_) == 0; }
    friend bool operator!=(const OrbName& a, const OrbName& b) { return !(a == b); }
    friend bool operator==(const OrbName& a, std::string_view b) { return std::string_view(a) == b; }
    friend bool operator!=(const OrbName& a, std::string_view b) { return !(a == b); }

private:
    char bytes_[NameLength + 1] = {};  // the last byte stays zero
};

struct UnitRecord {
    OrbName Name;
    uint8_t Class = 0;
    uint16_t Icon = 0;
    uint16_t LBM = 0;
    uint8_t Size = 0;
    uint8_t Crew = 0;
    uint8_t Wpn1 = 0, Wpn2 = 0, Wpn3 = 0, Wpn4 = 0;
    uint8_t Wpn1HEAmmo = 0, Wpn1APAmmo = 0, Wpn2HEAmmo = 0, Wpn2APAmmo = 0;
    uint8_t Wpn3HEAmmo = 0, Wpn3APAmmo = 0, Wpn4HEAmmo = 0, Wpn4APAmmo = 0;
    uint8_t Speed = 0;
    uint8_t SteelHF = 0, SteelHS = 0, SteelHR = 0, SteelTF = 0, SteelTS = 0, SteelTR = 0, SteelTop = 0;
    uint8_t HEATHF = 0, HEATHS = 0, HEATHR = 0, HEATTF = 0, HEATTS = 0, HEATTR = 0, HEATTop = 0;
    uint8_t ERAHF = 0, ERAHS = 0, ERAHR = 0, ERATF = 0, ERATS = 0, ERATR = 0, ERATop = 0;
    uint8_t Radio = 0;
    uint8_t YrAvail = 0;
    uint8_t YrUnavail = 0;
    uint8_t Cost = 0;
    uint8_t Nation = 0;
    uint8_t FC = 0;
    uint8_t SabotAmmo = 0;
    uint8_t HEATAmmo = 0;
    uint8_t Stabiliser = 0;
    uint8_t HiddenByte = 0;  // loaded and saved, never shown or edited
    uint8_t Vision = 0;
    uint8_t Swim = 0;
    uint8_t SD = 0;
    uint8_t ROF = 0;
    uint8_t Carry = 0;
    uint8_t Weight = 0;
    uint8_t EW = 0;
    uint8_t RF = 0;
    uint8_t MC = 0;
    uint8_t MonthAvail = 0;
};

struct WeaponRecord {
    OrbName Name;
    uint8_t Class = 0;
    uint8_t Size = 0;
    uint8_t WarheadSize = 0;
    uint8_t HEPen = 0;
    uint8_t HEKill = 0;
    uint8_t APPen = 0;  // 222 marks a HEAT weapon used other than in slot 1
    uint8_t APKill = 0;
    uint8_t Accuracy = 0;
    uint8_t Range = 0;  // in 50-metre hexes
    uint8_t SabotRange = 0;
    uint8_t SabotPen = 0;
    uint8_t HEATPen = 0;
    uint8_t Spare = 0;  // no file column; stays zero
};

struct FormationRecord {
    OrbName Name;
    uint8_t Nation = 0;
    uint8_t Avail = 0;
    uint8_t Until = 0;
    uint8_t Page = 0;
    uint8_t Type = 0;
    // 0 empty, 1..999 a unit number, 1000 and above a formation number + 1000.
    uint16_t Slot1 = 0, Slot2 = 0, Slot3 = 0, Slot4 = 0, Slot5 = 0;
    uint16_t Slot6 = 0, Slot7 = 0, Slot8 = 0, Slot9 = 0, Slot10 = 0;
    uint8_t Code1 = 0, Code2 = 0, Code3 = 0, Code4 = 0, Code5 = 0;
    uint8_t Code6 = 0, Code7 = 0, Code8 = 0, Code9 = 0, Code10 = 0;
    uint8_t MonthAvail = 0;
    uint8_t Special = 0;
};

// The slot value at which formation references begin.
constexpr uint16_t FormationSlotBase = 1000;

template <class R>
inline constexpr int CountOf = 0;
template <>
inline constexpr int CountOf<UnitRecord> = UnitCount;
template <>
inline constexpr int CountOf<WeaponRecord> = WeaponCount;
template <>
inline constexpr int CountOf<FormationRecord> = FormationCount;

// The three tables of one data file, held as the file holds them: the whole image, every field a
// column of values at its file offset, and between them the bytes no field uses, which a save
// writes back as they were. Loading and saving thus copy the image whole. An entry's record is put
// together from the columns when asked for, and spread back when stored. Entries are numbered
// from 1.
class OrbData {
public:
    OrbData() = default;
    // The tables of an image of OrbImageSize bytes, taken over without copying.
    explicit OrbData(std::vector<uint8_t>&& image);

    // A copy, and const so that writing into it by mistake ("orb.unit(3).Cost = 9") does not compile.
    template <class R>
    const R get(int n) const;
    // Writes every field of r that has a column; the working fields are derived, not stored.
    template <class R>
    void set(int n, const R& r);
    // Entry n's name alone, without putting its record together: what lists and pickers show.
    template <class R>
    std::string_view name(int n) const;

    const UnitRecord unit(int n) const { return get<UnitRecord>(n); }
    const WeaponRecord weapon(int n) const { return get<WeaponRecord>(n); }
    const FormationRecord formation(int n) const { return get<FormationRecord>(n); }
    void setUnit(int n, const UnitRecord& r) { set(n, r); }
    void setWeapon(int n, const WeaponRecord& r) { set(n, r); }
    void setFormation(int n, const FormationRecord& r) { set(n, r); }
    // Changes entry n through a function that edits its record.
    template <class R, class Change>
    void edit(int n, Change&& change)
    {
        R r = get<R>(n);
        change(r);
        set(n, r);
    }

    // The image's bytes. A name loaded from a file keeps whatever followed its first zero byte
    // until it is packed.
    const uint8_t* bytes() const { return bytes_.data(); }
    uint8_t* bytes() { return bytes_.data(); }
    // Trades the tables' bytes for image's, which must hold OrbImageSize bytes: a load reads a file
    // into a buffer and trades it in, without copying, and reads the next file into what it got.
    void swapImage(std::vector<uint8_t>& image);

private:
    std::vector<uint8_t> bytes_ = std::vector<uint8_t>(OrbImageSize, 0);
};

// Slot k (1..10) of a formation, for code that walks the slots.
uint16_t& formationSlot(FormationRecord& f, int k);
uint16_t formationSlot(const FormationRecord& f, int k);
uint8_t& formationCode(FormationRecord& f, int k);
uint8_t formationCode(const FormationRecord& f, int k);
