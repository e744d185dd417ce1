// The start-up sound's sequencer: the real FluidSynth path, rendered into a
// WAV file so that the test hears what would play, and the real sound device
// path on a machine that may have no sound device.

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <sys/stat.h>

#include "common/testing/qt_printers.h"
#include "tilebay/platform/sound/sequencer.h"

namespace {

using namespace tilebay;

const QString kShipped = S(TILEBAY_SHIPPED_STYLES);

// Processor time (user and system) of this process so far, in seconds.
double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

struct WavSummary {
    bool valid = false;
    double seconds = 0;
    int peak = 0;  // largest absolute sample
};

// The renderer's WAV files: 16-bit stereo at 44.1 kHz. Their length and
// their loudest sample.
WavSummary ReadWav(const QString& path) {
    WavSummary summary;
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    const qsizetype data = bytes.indexOf("data");
    const auto at = [&](int offset, int size) {
        int value = 0;
        for (int i = size - 1; i >= 0; --i) {
            value = (value << 8) | quint8(bytes.at(offset + i));
        }
        return value;
    };
    if (!bytes.startsWith("RIFF") || bytes.mid(8, 8) != "WAVEfmt " || data < 0 || at(22, 2) != 2 ||
        at(24, 4) != 44100 || at(34, 2) != 16) {
        return summary;
    }
    const QByteArray samples = bytes.mid(data + 8);
    summary.valid = true;
    summary.seconds = double(samples.size()) / (2 * 44100 * 2);
    for (qsizetype i = 0; i + 1 < samples.size(); i += 2) {
        const auto sample = static_cast<qint16>(quint8(samples[i]) | (quint8(samples[i + 1]) << 8));
        summary.peak = std::max(summary.peak, std::abs(int(sample)));
    }
    return summary;
}

TEST(Sequencer, RendersTheShippedTunesAndNothingForNoFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_FALSE(FindSoundFont().isEmpty()) << "no General MIDI sound font installed";

    for (const char* style : {"Ocean", "Forest", "Ember"}) {
        SCOPED_TRACE(style);
        const QString wav = dir.filePath(S(style) + S(".wav"));
        auto device = CreateFileRenderingSequencer(wav);
        const double cpuBefore = ProcessCpuSeconds();
        // The panel's path notation: a backslash before the folder.
        PlayOnSequencer(*device, kShipped + S("/\\") + S(style) + S("/startup.mid"));
        const double cpuUsed = ProcessCpuSeconds() - cpuBefore;
        const WavSummary summary = ReadWav(wav);
        ASSERT_TRUE(summary.valid);
        EXPECT_GT(summary.seconds, 2.0);
        EXPECT_LT(summary.seconds, 10.0);
        EXPECT_GT(summary.peak, 1000) << "the tune rendered silent";
        // Rendered, not played: far less work than the tune lasts. Processor
        // time, which other programs on a busy machine do not stretch.
        EXPECT_LT(cpuUsed, summary.seconds / 2);
    }

    // No file, a missing file, a file that is no MIDI file, a FIFO (which
    // must not block): no output at all.
    const QString notMidi = kShipped + S("/Ocean/style.ini");
    const QString fifo = dir.filePath(S("pipe.mid"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    for (const QString& path : {QString(), dir.filePath(S("missing.mid")), notMidi, fifo}) {
        SCOPED_TRACE(path.toStdString());
        const QString wav = dir.filePath(S("none.wav"));
        auto device = CreateFileRenderingSequencer(wav);
        PlayOnSequencer(*device, path);
        EXPECT_FALSE(QFileInfo::exists(wav));
    }

    // A second play on the same device closes the first file and plays the
    // new one from its start.
    const QString again = dir.filePath(S("again.wav"));
    auto device = CreateFileRenderingSequencer(again);
    PlayOnSequencer(*device, kShipped + S("/Forest/startup.mid"));
    const double first = ReadWav(again).seconds;
    QFile::remove(again);
    PlayOnSequencer(*device, kShipped + S("/Forest/startup.mid"));
    EXPECT_DOUBLE_EQ(ReadWav(again).seconds, first);
}

class RecordingSequencer : public SequencerDevice {
public:
    QStringList commands;
    void Stop() override { commands << S("Stop"); }
    void Close() override { commands << S("Close"); }
    void setFileName(const QString& path) override { commands << S("file ") + path; }
    void Open() override { commands << S("Open"); }
    void Play() override { commands << S("Play"); }
};

TEST(Sequencer, PlayGivesTheFiveCommandsInOrder) {
    RecordingSequencer device;
    PlayOnSequencer(device, S("/p/styles/\\Ocean/startup.mid"));
    PlayOnSequencer(device, QString());
    EXPECT_EQ(
        device.commands,
        QStringList({S("Stop"), S("Close"), S("file /p/styles/\\Ocean/startup.mid"), S("Open"),
                     S("Play"), S("Stop"), S("Close"), S("file "), S("Open"), S("Play")}));
}

// The sound device path as the panel uses it: with or without a sound device
// it returns at once and writes nothing to stderr.
TEST(Sequencer, TheSoundDeviceNeitherBlocksNorWrites) {
    testing::internal::CaptureStderr();
    QElapsedTimer timer;
    timer.start();
    {
        auto device = CreateSequencerDevice();
        PlayOnSequencer(*device, kShipped + S("/Ember/startup.mid"));
        PlayOnSequencer(*device, kShipped + S("/Ocean/startup.mid"));
    }
    const qint64 elapsed = timer.elapsed();
    const std::string printed = testing::internal::GetCapturedStderr();
    EXPECT_LT(elapsed, 2000);
    EXPECT_EQ(printed, "");
}

}  // namespace
