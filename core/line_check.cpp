#include "core/line_check.h"

#include <cstdio>
#include <map>
#include <optional>
#include <set>

#include "core/codepage.h"
#include "core/definition_keys.h"
#include "core/hotkeys.h"
#include "core/line.h"
#include "core/line_sounds.h"
#include "core/path.h"
#include "core/report_text.h"
#include "core/sequence.h"

namespace vkm {

namespace {

std::string Seconds(double s) {
    return Decimal(s, 1) + " s";
}

const char* EncodingName(TextEncoding e) {
    switch (e) {
        case TextEncoding::kCp1250:
            return "Windows-1250";
        case TextEncoding::kUtf8:
            return "UTF-8 s BOM";
        case TextEncoding::kUtf8WithoutMark:
            return "UTF-8 bez BOM";
        case TextEncoding::kUtf16LE:
            return "UTF-16 LE s BOM";
        case TextEncoding::kUtf16BE:
            return "UTF-16 BE s BOM";
    }
    return "?";
}

// Why the player cannot play a file, said to an author.
std::string FaultText(WaveFault fault) {
    switch (fault) {
        case WaveFault::kNone:
            break;
        case WaveFault::kUnreadable:
            return "nelze přečíst";
        case WaveFault::kNotWave:
            return "není soubor WAV";
        case WaveFault::kNoFormat:
            return "nemá formát (chybí blok fmt)";
        case WaveFault::kNoData:
            return "nemá zvuková data (chybí blok data)";
        case WaveFault::kBadHeader:
            return "má nemožnou hlavičku (žádné kanály, nulová frekvence, nesmyslná velikost vzorku nebo "
                   "bloku)";
        case WaveFault::kDataBeyondFile:
            return "je useknutý: hlavička slibuje víc dat, než soubor má";
        case WaveFault::kUnsupported:
            return "má formát, který přehrávač neumí, nebo data, ze kterých kodek nic nepřehraje";
    }
    return "";
}

WaveInspection InspectFile(SoundSources& sounds, const Path& path) {
    WaveInspection w;
    w.fault = WaveFault::kUnreadable;
    if (std::unique_ptr<ByteSource> source = sounds.Open(path)) w = InspectWave(*source, sounds.codecs());
    return w;
}

class Checker {
  public:
    Checker(LineReport& report, FileSystem& files, SoundSources& sounds, const LineSounds& walk)
        : report_(report), files_(files), sounds_(sounds), walk_(walk), seen_(walk.files().size()) {}

    void Fault(std::string text) { report_.findings.push_back({true, std::move(text)}); }
    void Warning(std::string text) { report_.findings.push_back({false, std::move(text)}); }

    // The sounds of a sound list as the player would meet them; the seconds they last.
    double List(const SoundList& list, const std::string& where) {
        double seconds = 0;
        for (const LineSound& sound : list) {
            const std::size_t index = walk_.IndexOf(sound);
            const LineSoundFile& file = walk_.files()[index];
            if (!seen_[index]) seen_[index] = InspectFile(sounds_, file.path);
            const WaveInspection& w = *seen_[index];
            const std::string said = "zvuk " + Quoted(sound.name) + " (" + where + ")";
            if (!file.inside() && warned_outside_.insert(index).second)
                Warning(said + " leží mimo složku linky");
            if (w.playability == Playability::kBroken) {
                if (w.fault == WaveFault::kUnreadable && !files_.FileExists(file.path))
                    Fault(said + " chybí");
                else
                    Fault(said + " " + FaultText(w.fault));
                seconds += ReplacementSeconds();
                continue;
            } else if (w.playability == Playability::kNeedsSystemCodec && noted_codec_.insert(index).second) {
                Warning(said + " je komprimovaný; přehraje ho kodek Windows, pokud ho systém má");
            }
            seconds += w.seconds;
        }
        return seconds;
    }

  private:
    // How long what plays in place of a broken file lasts: the system's default sound, else the tone.
    double ReplacementSeconds() {
        if (!replacement_) {
            replacement_ = static_cast<double>(PlaceholderTone(1000).size()) / 1000;
            if (std::optional<Path> path = sounds_.DefaultSoundPath()) {
                const WaveInspection w = InspectFile(sounds_, *path);
                if (w.playability == Playability::kPlayable) replacement_ = w.seconds;
            }
        }
        return *replacement_;
    }

    LineReport& report_;
    FileSystem& files_;
    SoundSources& sounds_;
    const LineSounds& walk_;
    std::vector<std::optional<WaveInspection>> seen_;  // by the walk's file
    std::set<std::size_t> warned_outside_, noted_codec_;
    std::optional<double> replacement_;
};

void CheckAnnouncementEntries(const IniFile& ini, Checker& check) {
    std::vector<std::u16string> seen;
    for (const std::string& name : ini.KeyNames(kAnnouncementsSection)) {
        const std::u16string folded = UpperCaseUtf16(Utf8ToUtf16(name));
        bool again = false;
        for (const std::u16string& s : seen) again |= s == folded;
        if (again) {
            check.Fault("hlášení " + Quoted(name) + " je v sekci [Hlaseni] víckrát; platí jen první řádek");
            continue;
        }
        seen.push_back(folded);
        if (ini.ReadValue(kAnnouncementsSection, name, "").empty())
            check.Fault("hlášení " + Quoted(name) + " je prázdné; program ho vynechá");
    }
}

void CheckUserKeyLetters(const Line& line, Checker& check) {
    for (const UserAnnouncement& u : line.user_announcements) {
        const std::string& text = u.key.text;
        const std::size_t plus = text.rfind('+');
        const std::string key = plus == std::string::npos ? text : text.substr(plus + 1);
        const std::optional<KeyCombination>& c = u.key.combination;
        if (!c || key.empty() || key[0] < 'a' || key[0] > 'z') continue;
        const unsigned char letter = static_cast<unsigned char>(key[0] - 'a' + 'A');
        check.Warning("uživatelská klávesa " + Quoted(text) + " je " + KeyName(c->modifiers, c->vk) +
                      ": malé písmeno je klávesa podle svého kódu (klávesu " + KeyName(c->modifiers, letter) +
                      " dá velké písmeno)");
    }
}

}  // namespace

bool LineReport::HasFault() const {
    for (const CheckFinding& f : findings)
        if (f.fault) return true;
    return false;
}

int LineReport::ExitCode() const {
    return !readable ? 2 : HasFault() ? 1 : 0;
}

bool LooksLikeUtf16WithoutMark(std::string_view bytes) {
    if (bytes.size() < 4) return false;
    std::size_t zeros[2] = {0, 0};
    for (std::size_t i = 0; i < bytes.size(); ++i)
        if (bytes[i] == '\0') ++zeros[i % 2];
    const std::size_t half = bytes.size() / 2;
    // Text in the Latin scripts has a zero in every other byte; allow some other letters.
    return zeros[0] * 10 >= half * 7 || zeros[1] * 10 >= half * 7;
}

LineReport CheckLine(const Path& path, FileSystem& files, SoundSources& sounds, bool analyse,
                     const KeyboardLayout& keyboard) {
    LineReport report;
    report.path = path;
    const LineFile file = LoadLineFile(files, path);
    if (file.error == LineFileError::kMissing || file.error == LineFileError::kUnreadable) {
        report.findings.push_back({true, LineFileErrorText(file.error)});
        return report;
    }
    report.readable = true;
    const IniFile& ini = file.ini;
    report.encoding = ini.encoding();
    const Line& line = file.line;
    report.name = line.name;
    const LineSounds walk(line);
    Checker check(report, files, sounds, walk);

    if (report.encoding == TextEncoding::kCp1250 && LooksLikeUtf16WithoutMark(file.bytes))
        check.Warning(
            "soubor je v UTF-16 bez BOM: program ho čte jako Windows-1250 a linku nenabídne; "
            "uložte ho jako UTF-8");
    else if (line.name.empty())
        check.Warning(
            "linka nemá jméno (Name v sekci [Info]): v seznamu se nenabídne, jen přes tlačítko ...");
    for (std::string& text : UnreadDefinitionNames(ini)) check.Warning(std::move(text));

    const double departure = check.List(line.departure_sounds, kDepartureSoundsKey);
    const double arrival = check.List(line.arrival_sounds, kArrivalSoundsKey);
    report.end_seconds = check.List(line.end_sounds, kEndSoundsKey);
    CheckAnnouncementEntries(ini, check);
    for (std::size_t i = 0; i < line.announcements.size(); ++i) {
        const LineAnnouncement& entry = line.announcements[i];
        AnnouncementLength a;
        a.entry = entry.key;
        a.departure = PressSequence::PhaseAt(i) == Phase::kDeparture;
        a.leading_seconds = a.departure ? departure : arrival;
        a.own_seconds = check.List(entry.sounds, PlaceOf(entry));
        if (entry.sounds.empty()) check.Fault("hlášení " + Quoted(a.entry) + " nejmenuje žádný zvuk");
        report.announcements.push_back(a);
    }
    for (const UserAnnouncement& u : line.user_announcements) {
        const std::string key =
            u.key.combination ? KeyName(u.key.combination->modifiers, u.key.combination->vk) : u.key.text;
        report.user_announcements.emplace_back(key, check.List(u.sounds, PlaceOf(u)));
    }

    report.keys = ShownKeys(line.hotkeys, line.user_announcements).roles;
    report.simulator_keys = SimulatorKeyNotes(line.hotkeys, keyboard);
    report.keyboard = keyboard.Name();
    if (!line.refused.empty()) check.Fault(UnusableKeysWarning(line.refused, kAllKeys));
    CheckUserKeyLetters(line, check);
    if (analyse) report.sounds = ReportSounds(line, walk, sounds);
    return report;
}

std::string FormatLineReport(const LineReport& r) {
    std::string out = r.path + "\n";
    auto findings = [&](bool faults, const char* none, const char* title) {
        std::vector<std::string> texts;
        for (const CheckFinding& f : r.findings)
            if (f.fault == faults) texts.push_back(f.text);
        if (texts.empty()) {
            out += std::string("  ") + none + "\n";
            return;
        }
        out += std::string("  ") + title + " (" + std::to_string(texts.size()) + "):\n";
        for (const std::string& t : texts) out += "    - " + t + "\n";
    };
    if (!r.readable) {
        findings(true, "", "Chyby");
        return out;
    }
    out += "  Linka: " + (r.name.empty() ? std::string("(bez jména, nebude nabídnuta)") : r.name) + "\n";
    out += std::string("  Kódování: ") + EncodingName(r.encoding) + "\n";
    out += "  Hlášení: " + std::to_string(r.announcements.size()) + "\n";
    for (std::size_t i = 0; i < r.announcements.size(); ++i) {
        const AnnouncementLength& a = r.announcements[i];
        out += "    " + std::to_string(i + 1) + ". " + (a.departure ? "odjezd " : "příjezd") + "  " +
               Seconds(a.leading_seconds + a.own_seconds) + "  (" + Quoted(a.entry) + ", vlastní zvuky " +
               Seconds(a.own_seconds) + ")\n";
    }
    out += "  Konec linky: " + Seconds(r.end_seconds) + "\n";
    if (!r.user_announcements.empty()) {
        out += "  Uživatelská hlášení: " + std::to_string(r.user_announcements.size()) + "\n";
        for (const auto& [key, seconds] : r.user_announcements)
            out += "    " + key + "  " + Seconds(seconds) + "\n";
    }
    if (!r.keys.empty()) {
        out += "  Klávesy:\n";
        for (const std::string& role : r.keys) out += "    " + role + "\n";
    }
    out += SimulatorKeysReport(r.simulator_keys, r.keyboard);
    findings(true, "Chyby: žádné", "Chyby");
    findings(false, "Upozornění: žádná", "Upozornění");
    if (!r.sounds) return out;
    const SoundReport& s = *r.sounds;
    out += "  Zvuky: " + Count(s.files, "soubor", "soubory", "souborů") + ", změřeno " +
           std::to_string(s.measured);
    if (s.median_lufs) out += ", hlasitost linky (medián) " + Decimal(*s.median_lufs, 1) + " LUFS";
    out += "\n";
    if (s.notes.empty()) {
        out += "  Poznámky ke zvukům: žádné\n";
    } else {
        out += "  Poznámky ke zvukům (" + std::to_string(s.notes.size()) + "):\n";
        for (const std::string& note : s.notes) out += "    - " + note + "\n";
    }
    return out;
}

namespace {

std::string Ms(double ms) {
    return Decimal(ms, 0) + " ms";
}

// "„a.wav“, „b.wav“"
std::string Names(const std::vector<const SoundRepair*>& sounds) {
    std::string names;
    for (const SoundRepair* s : sounds) names += (names.empty() ? "" : ", ") + Quoted(s->file.name);
    return names;
}

std::string RepairedSoundLine(const SoundRepair& s) {
    std::string said = "    " + Quoted(s.file.name) + ": ";
    if (!s.copied) return said + "nezkopírován\n";
    if (!s.not_written.empty()) return said + "nezapsán (" + s.not_written + ")\n";
    return said + (s.gain_db > 0 ? "+" : "") + Decimal(s.gain_db, 1) + " dB, oříznuto " +
           Ms(s.trimmed_start_ms) + " na začátku a " + Ms(s.trimmed_end_ms) + " na konci, " + s.before +
           " → " + s.after + "\n";
}

}  // namespace

std::string FormatRepairReport(const LineRepair& r, const std::string& copy,
                               const std::string& definition_not_written) {
    std::vector<const SoundRepair*> unmended, unwritten;
    for (const SoundRepair& s : r.sounds) {
        if (!s.unmended.empty()) unmended.push_back(&s);
        if (!s.not_written.empty()) unwritten.push_back(&s);
    }
    std::string out;
    if (!unwritten.empty())
        out += "Kopie linky není celá: definiční soubor " + copy + " nezapsán, protože " +
               Count(unwritten.size(), "zvuk", "zvuky", "zvuků") + " nešlo zapsat\n";
    else if (!definition_not_written.empty())
        out += "Kopie linky není celá: definiční soubor " + copy + " nešel zapsat (" +
               definition_not_written + ")\n";
    else
        out += "Opravená kopie linky: " + copy + "\n";
    out += "  Formát zvuků: PCM 16 bitů, " + FrequencyText(r.rate) + ", " + ChannelsText(r.channels) + "\n";
    if (r.target_lufs)
        out += "  Hlasitost: " + Decimal(*r.target_lufs, 1) + " LUFS" +
               (r.target_is_median ? " (medián linky)" : "") + ", skutečná špička nejvýš " +
               Decimal(kRepairPeakDbtp, 0) + " dBTP\n";
    out += "  Ticho na koncích: " + Ms(1000 * r.margin_seconds) + "\n";
    out += "  Zvuky (" + std::to_string(r.sounds.size()) + "):\n";
    for (const SoundRepair& s : r.sounds) {
        out += RepairedSoundLine(s);
        for (const std::string& u : s.unmended) out += "      - " + u + "\n";
    }
    if (!unmended.empty())
        out += "  Neopraveno (" + std::to_string(unmended.size()) + "): " + Names(unmended) + "\n";
    if (!unwritten.empty())
        out += "  Nezapsáno (" + std::to_string(unwritten.size()) + "): " + Names(unwritten) + "\n";
    return out;
}

std::string KeyCharacterTable() {
    std::string out = "| Znak | Kód | Klávesa |\n|---|---|---|\n";
    for (int b = 0x20; b <= 0xFF; ++b) {
        const std::string name = KeyName(0, static_cast<unsigned char>(b));
        const std::string ch = Cp1250ToUtf8(std::string(1, static_cast<char>(b)));
        // Keys without a name of their own, and the bytes code page 1250 leaves unused, are left out.
        if (name.rfind("0x", 0) == 0 || b == 0x7F || (b < 0xA0 && static_cast<unsigned char>(ch[0]) == 0xC2))
            continue;
        std::string shown;
        if (b == 0x20)
            shown = "mezera";
        else if (b == 0xA0)
            shown = "pevná mezera";
        else if (b == 0xAD)
            shown = "měkký spojovník";
        else if (b == '`')
            shown = "`` ` ``";
        else if (b == '|')
            shown = "`\\|`";
        else
            shown = "`" + ch + "`";
        char code[8];
        std::snprintf(code, sizeof code, "%d", b);
        out += "| " + shown + " | " + code + " | " + name + " |\n";
    }
    return out;
}

}  // namespace vkm
