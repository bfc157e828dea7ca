// The view of a SoundFont that holds only the game's instruments and keys:
// those sound exactly as in the whole SoundFont, other instruments are not
// there at all, other keys are silent, and a file that is not a SoundFont is
// refused with a reason. Also which instruments and keys a song plays.

#include "SoundTestFiles.h"
#include "audio/real/InstrumentKeys.h"
#include "audio/real/MidiSong.h"
#include "audio/real/SoundFontSubset.h"

#include <QTemporaryDir>
#include <QTest>

#include <fluidsynth.h>

#include <bitset>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>

using namespace lilyhops;
using namespace soundtest;

namespace {

std::bitset<128> keys(std::initializer_list<int> list) {
    std::bitset<128> b;
    for (int k : list)
        b.set(static_cast<std::size_t>(k));
    return b;
}

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
        const InstrumentKeys keep = {
            {{0, 30}, keys({40, 52})}, {{0, 74}, keys({72})}, {{128, 0}, keys({36, 38})}};
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
        for (const Note& n : {Note{0, 0, 30, 40}, Note{0, 0, 30, 52}, Note{1, 0, 74, 72},
                              Note{9, 128, 0, 36}, Note{9, 128, 0, 38}}) {
            const std::vector<float> a = whole.play(n.channel, n.bank, n.program, n.key);
            const std::vector<float> b = part.play(n.channel, n.bank, n.program, n.key);
            const QString what = QString("program %1 key %2").arg(n.program).arg(n.key);
            QVERIFY2(rms(a) > 0.005, qPrintable(what));
            QVERIFY2(a == b, qPrintable(what + " sounds different"));
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

    void keysNotAskedForAreLeftOut() {
        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        std::string error;
        auto subset = SoundFontSubset::make(kGeneralMidi, {{{128, 0}, keys({36, 38})}}, error);
        QVERIFY2(subset, error.c_str());
        Synth whole, part;
        QVERIFY(fluid_synth_sfload(whole.synth, kGeneralMidi, 1) >= 0);
        QVERIFY(subset->loadInto(part.synth) >= 0);
        // Each drum of the kit has samples of its own: the crash cymbal and
        // the high tom are not read, and strike nothing (FluidSynth's reverb
        // keeps a trace of 1e-8 in its lines so that they never run into
        // denormal numbers).
        for (int key : {49, 50}) {
            QVERIFY2(rms(whole.play(9, 128, 0, key)) > 0.005, qPrintable(QString::number(key)));
            const double left = rms(part.play(9, 128, 0, key));
            QVERIFY2(left < 1e-6, qPrintable(QString("key %1: %2").arg(key).arg(left)));
        }
        QVERIFY(rms(part.play(9, 128, 0, 38)) > 0.005);
    }

    void aSongsKeysAreFoundForEachInstrument() {
        // A bank select and program change on channel 1, a program change
        // halfway through, and drums on channel 10 with their own program.
        Track t;
        t.tempo(0, 120).at(0).raw({0xB0, 0, 8}).program(0, 0, 30).note(0, 240, 0, 40, 90);
        t.note(240, 240, 0, 43, 90).program(480, 0, 31).note(480, 240, 0, 40, 90).end(960);
        Track drums;
        drums.program(0, 9, 25).note(0, 120, 9, 36, 100).note(120, 120, 9, 42, 0); // 0: off
        drums.end(960);
        std::string error;
        auto song = MidiSong::parse(smf(1, 480, {t, drums}), error);
        QVERIFY2(song, error.c_str());
        const InstrumentKeys found = keysPlayedIn(*song);
        QCOMPARE(found.size(), std::size_t(3));
        QCOMPARE(found.at({8, 30}), keys({40, 43}));
        QCOMPARE(found.at({8, 31}), keys({40}));
        QCOMPARE(found.at({128, 25}), keys({36}));
    }

    void whatASongLacksIsTheWholeInstrumentItNeeds() {
        const InstrumentKeys have = {{{0, 1}, keys({60, 62})}, {{0, 2}, keys({40})}};
        const InstrumentKeys wanted = {
            {{0, 1}, keys({60})}, {{0, 2}, keys({40, 41})}, {{0, 3}, keys({50})}};
        const InstrumentKeys lacking = keysLacking(have, wanted);
        QCOMPARE(lacking.size(), std::size_t(2));
        QCOMPARE(lacking.at({0, 2}), keys({40, 41}));
        QCOMPARE(lacking.at({0, 3}), keys({50}));
        InstrumentKeys all = have;
        addKeys(all, wanted);
        QCOMPARE(all.at({0, 1}), keys({60, 62}));
        QCOMPARE(all.at({0, 2}), keys({40, 41}));
        QCOMPARE(all.at({0, 3}), keys({50}));
        QVERIFY(keysLacking(all, wanted).empty());
    }

    void theViewReadsAcrossItsParts() {
        if (!std::filesystem::exists(kGeneralMidi))
            QSKIP("no General MIDI SoundFont on this machine");
        std::string error;
        auto subset = SoundFontSubset::make(kGeneralMidi, {{{0, 0}, keys({60})}}, error);
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
        QVERIFY(!SoundFontSubset::make(path.toStdString(), {{{0, 0}, keys({60})}}, error));
        QCOMPARE(QString::fromStdString(error), reason);
    }
};

QTEST_GUILESS_MAIN(SoundFontSubsetTest)
#include "tst_soundfontsubset.moc"
