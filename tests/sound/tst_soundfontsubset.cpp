// The view of a SoundFont that holds only the game's instruments: those
// instruments sound exactly as in the whole SoundFont, the others are not
// there at all, and a file that is not a SoundFont is refused with a reason.

#include "SoundTestFiles.h"
#include "audio/real/SoundFontSubset.h"

#include <QTemporaryDir>
#include <QTest>

#include <fluidsynth.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace lilyhops;
using namespace soundtest;

namespace {

struct Synth {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_synth_t* synth = nullptr;
    Synth() {
        fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
        synth = new_fluid_synth(settings);
    }
    ~Synth() {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
    std::vector<float> play(int channel, int bank, int program, int key) {
        if (channel != 9)
            fluid_synth_bank_select(synth, channel, bank);
        fluid_synth_program_change(synth, channel, program);
        fluid_synth_noteon(synth, channel, key, 100);
        std::vector<float> out(2 * 22050);
        fluid_synth_write_float(synth, 22050, out.data(), 0, 2, out.data(), 1, 2);
        fluid_synth_all_sounds_off(synth, -1);
        return out;
    }
};

} // namespace

class SoundFontSubsetTest : public QObject {
    Q_OBJECT

  private slots:
    void theKeptInstrumentsSoundAsInTheWholeSoundFont() {
        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        const std::set<std::pair<int, int>> keep = {{0, 30}, {0, 74}, {128, 0}};
        std::string error;
        auto subset = SoundFontSubset::make(kGeneralMidi, keep, error);
        QVERIFY2(subset, error.c_str());
        QCOMPARE(subset->presetCount(), 3);

        Synth whole, part;
        const int wholeId = fluid_synth_sfload(whole.synth, kGeneralMidi, 1);
        const int partId = subset->loadInto(part.synth);
        QVERIFY(wholeId >= 0 && partId >= 0);
        struct Note {
            int channel, bank, program, key;
        };
        for (const Note& n : {Note{0, 0, 30, 40}, Note{1, 0, 74, 72}, Note{9, 128, 0, 38}}) {
            const std::vector<float> a = whole.play(n.channel, n.bank, n.program, n.key);
            const std::vector<float> b = part.play(n.channel, n.bank, n.program, n.key);
            QVERIFY2(rms(a) > 0.005, qPrintable(QString::number(n.program)));
            QVERIFY2(a == b, qPrintable(QString("program %1 sounds different").arg(n.program)));
        }

        // Only what was asked for is there.
        fluid_sfont_t* font = fluid_synth_get_sfont_by_id(part.synth, partId);
        QVERIFY(fluid_sfont_get_preset(font, 0, 74));
        QVERIFY(fluid_sfont_get_preset(font, 128, 0));
        QVERIFY(!fluid_sfont_get_preset(font, 0, 0));
        QVERIFY(!fluid_sfont_get_preset(font, 0, 73));
        int presets = 0;
        fluid_sfont_iteration_start(font);
        while (fluid_sfont_iteration_next(font))
            ++presets;
        QCOMPARE(presets, 3);
    }

    void theViewReadsAcrossItsParts() {
        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        std::string error;
        auto subset = SoundFontSubset::make(kGeneralMidi, {{0, 0}}, error);
        QVERIFY2(subset, error.c_str());
        std::FILE* original = std::fopen(kGeneralMidi, "rb");
        QVERIFY(original);
        // The head is the file's own RIFF header with the view's length.
        char head[12];
        QVERIFY(subset->read(original, 0, head, 12));
        QCOMPARE(QByteArray(head, 4), QByteArray("RIFF"));
        QCOMPARE(QByteArray(head + 8, 4), QByteArray("sfbk"));
        const auto riffLength = static_cast<std::uint32_t>(
            static_cast<unsigned char>(head[4]) | static_cast<unsigned char>(head[5]) << 8 |
            static_cast<unsigned char>(head[6]) << 16 | static_cast<unsigned char>(head[7]) << 24);
        QCOMPARE(std::uint64_t(riffLength) + 8, subset->size());
        // The last bytes are the view's own preset data; nothing past them.
        std::vector<char> all(64);
        QVERIFY(subset->read(original, subset->size() - 64, all.data(), 64));
        QVERIFY(!subset->read(original, subset->size() - 10, all.data(), 11));
        std::fclose(original);
    }

    void whatIsNotASoundFontIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("empty") << QByteArray() << "is not a SoundFont";
        QTest::newRow("a wave file")
            << QByteArray(reinterpret_cast<const char*>(sineWave(10, 0.5).data()),
                          static_cast<int>(sineWave(10, 0.5).size()))
            << "is not a SoundFont";
        QByteArray noLists("RIFF\x04\x00\x00\x00sfbk", 12);
        QTest::newRow("no lists") << noLists << "lacks a part of a SoundFont";
        QByteArray brokenPresets = noLists;
        auto list = [](const QByteArray& type, const QByteArray& body) {
            QByteArray l("LIST");
            const auto n = static_cast<std::uint32_t>(body.size() + 4);
            for (int i = 0; i < 4; ++i)
                l.append(static_cast<char>((n >> (8 * i)) & 0xFF));
            return l + type + body;
        };
        brokenPresets += list("INFO", QByteArray("ifil\x04\x00\x00\x00\x02\x00\x01\x00", 12));
        brokenPresets += list("sdta", QByteArray("smpl\x00\x00\x00\x00", 8));
        brokenPresets += list("pdta", QByteArray("phdr\x03\x00\x00\x00xyz\x00", 12));
        const auto riff = static_cast<std::uint32_t>(brokenPresets.size() - 8);
        for (int i = 0; i < 4; ++i)
            brokenPresets[4 + i] = static_cast<char>((riff >> (8 * i)) & 0xFF);
        QTest::newRow("broken preset data") << brokenPresets << "has broken preset data";
    }

    void whatIsNotASoundFontIsRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        const QString path = dir.path() + "/font.sf2";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        std::string error;
        QVERIFY(!SoundFontSubset::make(path.toStdString(), {{0, 0}}, error));
        QCOMPARE(QString::fromStdString(error), reason);
    }
};

QTEST_GUILESS_MAIN(SoundFontSubsetTest)
#include "tst_soundfontsubset.moc"
