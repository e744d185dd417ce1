#pragma once

// The start-up sound's player: a MIDI sequencer driven by five commands, as
// the panel gives them: Stop, Close, the file name, Open, Play. Play returns
// at once and the tune plays on in the background; nothing reports success or
// failure (a file that is missing or is no MIDI file, or a machine without a
// sound device, simply plays nothing).

#include <QString>

#include <memory>

namespace tilebay {

class SequencerDevice {
public:
    virtual ~SequencerDevice() = default;
    // Stops what is playing; the device stays open.
    virtual void Stop() = 0;
    // Closes the device (stopping it first).
    virtual void Close() = 0;
    // The file that the next Open opens, in the programs' path notation.
    virtual void setFileName(const QString& path) = 0;
    // Opens the device on the file; does nothing while it is open.
    virtual void Open() = 0;
    // Starts playing the opened file from its start.
    virtual void Play() = 0;
};

// The real sequencer: FluidSynth on the default audio driver with the
// system's General MIDI sound font.
std::unique_ptr<SequencerDevice> CreateSequencerDevice();

// The same sequencer writing into the WAV file `wavPath` instead of a sound
// device. Play renders the whole tune before it returns (a few seconds of
// music take a few tens of milliseconds); a device that did not open writes
// no file.
std::unique_ptr<SequencerDevice> CreateFileRenderingSequencer(const QString& wavPath);

// The panel's way of playing a file: Stop, Close, setFileName, Open, Play.
void PlayOnSequencer(SequencerDevice& device, const QString& filePath);

// The General MIDI sound font in `folder` (where Debian's sound font packages
// put theirs): default-GM.sf2, then default.sf2, then the first other *.sf2
// by name. Empty when there is none.
QString FindSoundFont(const QString& folder = QStringLiteral("/usr/share/sounds/sf2"));

}  // namespace tilebay
