// FluidSynth behind the sequencer commands.
//
// Open builds settings, synthesiser, output (sound device or WAV renderer),
// loads the sound font and queues the file on a player; any failure undoes
// what was built and leaves the device closed, so Play does nothing. The
// sound device comes first because on a machine without one its creation
// fails at once, before the sound font costs anything. FluidSynth's own log
// and that of ALSA, its usual sound device layer, go to the "tilebay.sound"
// logging category (debug level, off by default), never to stderr.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

#include <alsa/asoundlib.h>
#include <fluidsynth.h>

#include <cstdarg>
#include <cstdio>

#include <mutex>
#include <utility>

#include "common/paths/program_path.h"
#include "tilebay/platform/sound/sequencer.h"
#include "tilebay/platform/system/safe_file.h"

namespace tilebay {

namespace {

Q_LOGGING_CATEGORY(lcSound, "tilebay.sound", QtWarningMsg)

void RouteLog(int level, const char* message, void* /*data*/) {
    qCDebug(lcSound, "fluidsynth(%d): %s", level, message);
}

void RouteAlsaError(const char* file, int line, const char* function, int error, const char* format,
                    ...) {
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    qCDebug(lcSound, "alsa %s:%d (%s) %d: %s", file, line, function, error, message);
}

void RouteLibraryLogs() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level = FLUID_PANIC; level < LAST_LOG_LEVEL; ++level) {
            fluid_set_log_function(level, RouteLog, nullptr);
        }
        snd_lib_error_set_handler(RouteAlsaError);
    });
}

// Upper bound of a rendered tune, so that a file that never ends (a player
// set to loop) cannot hold the caller: ten minutes at 44.1 kHz, 64 frames a
// block.
// A start-up tune is a few kilobytes; a file beyond this is not one.
constexpr qint64 kMaxTuneBytes = 8 * 1024 * 1024;
constexpr long kMaxRenderBlocks = 10L * 60 * 44100 / 64;

class FluidSequencer : public SequencerDevice {
public:
    explicit FluidSequencer(QString wavPath) : wavPath_(std::move(wavPath)) { RouteLibraryLogs(); }
    ~FluidSequencer() override { Close(); }

    void Stop() override {
        if (player_ != nullptr) {
            fluid_player_stop(player_);
            fluid_synth_all_sounds_off(synth_, -1);
        }
    }

    void Close() override {
        Stop();
        if (driver_ != nullptr) {
            delete_fluid_audio_driver(driver_);
            driver_ = nullptr;
        }
        if (player_ != nullptr) {
            delete_fluid_player(player_);
            player_ = nullptr;
        }
        if (synth_ != nullptr) {
            delete_fluid_synth(synth_);
            synth_ = nullptr;
        }
        if (settings_ != nullptr) {
            delete_fluid_settings(settings_);
            settings_ = nullptr;
        }
    }

    void setFileName(const QString& path) override { fileName_ = path; }

    void Open() override {
        if (settings_ != nullptr || fileName_.isEmpty()) {
            return;
        }
        // Read here, not by FluidSynth: only a regular file of a sane size,
        // so a FIFO or a device named by a style never blocks the load.
        const std::optional<RegularFile> file =
            ReadRegularFile(common::LocalPath(fileName_), kMaxTuneBytes);
        const QString soundFont = FindSoundFont();
        if (!file || !file->bytes.startsWith("MThd") || soundFont.isEmpty()) {
            return;
        }
        settings_ = new_fluid_settings();
        const bool toFile = !wavPath_.isEmpty();
        if (toFile) {
            fluid_settings_setstr(settings_, "audio.file.name",
                                  QFile::encodeName(wavPath_).constData());
            fluid_settings_setstr(settings_, "audio.file.type", "wav");
            fluid_settings_setstr(settings_, "player.timing-source", "sample");
        }
        fluid_settings_setint(settings_, "synth.lock-memory", 0);
        synth_ = new_fluid_synth(settings_);
        if (synth_ == nullptr) {
            Close();
            return;
        }
        if (!toFile) {
            driver_ = new_fluid_audio_driver(settings_, synth_);
            if (driver_ == nullptr) {
                Close();
                return;
            }
        }
        player_ = new_fluid_player(synth_);
        if (player_ == nullptr ||
            fluid_synth_sfload(synth_, QFile::encodeName(soundFont).constData(), 1) ==
                FLUID_FAILED ||
            fluid_player_add_mem(player_, file->bytes.constData(),
                                 static_cast<size_t>(file->bytes.size())) != FLUID_OK) {
            Close();
        }
    }

    void Play() override {
        if (player_ == nullptr) {
            return;
        }
        if (wavPath_.isEmpty()) {
            fluid_player_play(player_);
            return;
        }
        fluid_file_renderer_t* renderer = new_fluid_file_renderer(synth_);
        if (renderer == nullptr) {
            return;
        }
        fluid_player_play(player_);
        for (long block = 0;
             block < kMaxRenderBlocks && fluid_player_get_status(player_) == FLUID_PLAYER_PLAYING;
             ++block) {
            if (fluid_file_renderer_process_block(renderer) != FLUID_OK) {
                break;
            }
        }
        fluid_player_stop(player_);
        delete_fluid_file_renderer(renderer);
    }

private:
    QString wavPath_;  // empty: the sound device
    QString fileName_;
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    fluid_audio_driver_t* driver_ = nullptr;
    fluid_player_t* player_ = nullptr;
};

}  // namespace

std::unique_ptr<SequencerDevice> CreateSequencerDevice() {
    return std::make_unique<FluidSequencer>(QString());
}

std::unique_ptr<SequencerDevice> CreateFileRenderingSequencer(const QString& wavPath) {
    return std::make_unique<FluidSequencer>(wavPath);
}

void PlayOnSequencer(SequencerDevice& device, const QString& filePath) {
    device.Stop();
    device.Close();
    device.setFileName(filePath);
    device.Open();
    device.Play();
}

QString FindSoundFont(const QString& folder) {
    const QDir dir(folder);
    for (const QString& preferred :
         {QStringLiteral("default-GM.sf2"), QStringLiteral("default.sf2")}) {
        if (QFileInfo(dir.filePath(preferred)).isFile()) {
            return dir.filePath(preferred);
        }
    }
    const QStringList others =
        dir.entryList({QStringLiteral("*.sf2")}, QDir::Files | QDir::Readable, QDir::Name);
    return others.isEmpty() ? QString() : dir.filePath(others.first());
}

}  // namespace tilebay
