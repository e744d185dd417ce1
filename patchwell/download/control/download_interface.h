#pragma once

// The control's interface in one place: its fifteen properties with their
// types, defaults and saved keys, and its nine events. Everything that lists
// them (the members of DownLoadCore and DownLoad, persistence, change
// notifications, defaults and resets, the design-time page, patchwell-fetch,
// the example host) is generated from these lists or reads them. The
// Q_PROPERTY lines stay literal in each class (they carry per-class flags);
// the tests hold every meta-object against the list.
//
// PATCHWELL_DOWNLOAD_PROPERTIES(STATE, MIRROR, SETTING), in declaration order:
//   STATE(Type, Name)                  run-time state, read only, Type{} at first
//   MIRROR(Type, Name, Of)             read only, reports the state `Of`
//   SETTING(Type, Name, Argument, SavedKey, SavedOrder, Initial)
//                                      writable; Argument names the assignment's
//                                      parameter; SavedKey is the key in the
//                                      host's saved set and SavedOrder (1, 2, ...)
//                                      the place at which it is read and written
//                                      (nullptr and 0: not saved); Initial is
//                                      its value in a new instance
//
// No header of the updater, the platform layer or the transfer is needed
// here: a host can take these lists with nothing but QtCore.

#include <QString>
#include <QVariant>

#include <cstddef>
#include <iterator>
#include <type_traits>

#define PATCHWELL_DOWNLOAD_PROPERTIES(STATE, MIRROR, SETTING)                              \
    /* a transfer is under way: from the opening of the target file to its success */      \
    STATE(bool, InDL)                                                                      \
    /* the same flag as ResumeSupported */                                                 \
    MIRROR(bool, AResume, ResumeSupported)                                                 \
    /* the pause flag that Pause sets; a transfer waits at its next chunk */               \
    STATE(bool, CPause)                                                                    \
    /* a cancel request not yet acted on */                                                \
    STATE(bool, CCancel)                                                                   \
    /* stored and reported only; nothing reads it */                                       \
    SETTING(qint32, ROLLBACK, lnumBYTES, nullptr, 0, 0)                                    \
    /* the server can continue a file; DLResume refuses to run without it */               \
    STATE(bool, ResumeSupported)                                                           \
    /* the last probe with OnlineCheck found a connection */                               \
    STATE(bool, Connected)                                                                 \
    /* ask before replacing an existing target file */                                     \
    SETTING(bool, PromptOverwrite, DoPrompt, "PromptOverwrite", 6, false)                  \
    /* check the connection first; without one the transfers refuse to run */              \
    SETTING(bool, OnlineCheck, DoCheck, "OnlineCheck", 5, false)                           \
    /* the saved file takes the extension of Url */                                        \
    SETTING(bool, KeepType, IsKeep, "KeepType", 4, false)                                  \
    /* the last probe found the file (also when access was refused) */                     \
    STATE(bool, FileExists)                                                                \
    /* the length the server announced; 0 for a refused or missing file */                 \
    STATE(qint64, FileSize)                                                                \
    /* the address of the file to fetch */                                                 \
    SETTING(QString, Url, New_Url, "URL", 1, QStringLiteral("http://127.0.0.1/File1.tmp")) \
    /* the bytes asked for in each read of the body */                                     \
    SETTING(qint32, CHUNK, New_CHUNK, "CHUNK", 2, 1024)                                    \
    /* the full path of the local file written */                                          \
    SETTING(QString, SaveLocation, New_Location, "SaveLocation", 3, QStringLiteral("C:\\File1.tmp"))

// The read-only and the writable properties on their own, in declaration
// order: X(Type, Name, ...) and X(Type, Name, Argument, SavedKey, SavedOrder,
// Initial).
#define PATCHWELL_DOWNLOAD_READ_PROPERTIES(X) \
    PATCHWELL_DOWNLOAD_PROPERTIES(X, X, PATCHWELL_DOWNLOAD_IGNORE)
#define PATCHWELL_DOWNLOAD_WRITE_PROPERTIES(X) \
    PATCHWELL_DOWNLOAD_PROPERTIES(PATCHWELL_DOWNLOAD_IGNORE, PATCHWELL_DOWNLOAD_IGNORE, X)

// The nine events, in declaration order (a host binds them by position). Put
// into a class's signals section; moc expands it like any other macro.
#define PATCHWELL_DOWNLOAD_EVENTS                    \
    void DLComplete();                               \
    void DLError(const QString& lpErrorDescription); \
    void DLECode(qint32 lErrorCode);                 \
    void RecievedBytes(qint64 lnumBYTES);            \
    void Percent(qint32 lPercent);                   \
    void StatusChange(const QString& lpStatus);      \
    void Rate(const QString& lpRate);                \
    void TimeLeft(const QString& lpTime);            \
    void ConnectionState(const QString& strState);

// For the kinds of property a generator does not handle.
#define PATCHWELL_DOWNLOAD_IGNORE(...)

namespace patchwell::download {

// Texts are passed by reference, numbers and flags by value.
template <class T>
using PropertyArgument = std::conditional_t<std::is_same_v<T, QString>, const QString&, T>;

// The value of each writable property in a new instance: DefaultUrl(),
// DefaultCHUNK(), ...
#define PATCHWELL_DOWNLOAD_DEFINE_DEFAULT(Type, Name, Argument, SavedKey, SavedOrder, Initial) \
    inline Type Default##Name() {                                                              \
        return Initial;                                                                        \
    }
PATCHWELL_DOWNLOAD_PROPERTIES(PATCHWELL_DOWNLOAD_IGNORE, PATCHWELL_DOWNLOAD_IGNORE,
                              PATCHWELL_DOWNLOAD_DEFINE_DEFAULT)
#undef PATCHWELL_DOWNLOAD_DEFINE_DEFAULT

// One property as the list gives it.
struct PropertyInfo {
    const char* name;
    bool writable;
    const char* savedKey;  // nullptr: not saved
    int savedOrder;        // 0: not saved
};

#define PATCHWELL_DOWNLOAD_STATE_INFO(Type, Name) {#Name, false, nullptr, 0},
#define PATCHWELL_DOWNLOAD_MIRROR_INFO(Type, Name, Of) {#Name, false, nullptr, 0},
#define PATCHWELL_DOWNLOAD_SETTING_INFO(Type, Name, Argument, SavedKey, SavedOrder, Initial) \
    {#Name, true, SavedKey, SavedOrder},
// Every property, in declaration order.
inline constexpr PropertyInfo kProperties[] = {
    PATCHWELL_DOWNLOAD_PROPERTIES(PATCHWELL_DOWNLOAD_STATE_INFO, PATCHWELL_DOWNLOAD_MIRROR_INFO,
                                  PATCHWELL_DOWNLOAD_SETTING_INFO)};
#undef PATCHWELL_DOWNLOAD_STATE_INFO
#undef PATCHWELL_DOWNLOAD_MIRROR_INFO
#undef PATCHWELL_DOWNLOAD_SETTING_INFO

constexpr int CountSavedProperties() {
    int count = 0;
    for (const PropertyInfo& property : kProperties) {
        count += property.savedOrder > 0 ? 1 : 0;
    }
    return count;
}
inline constexpr int kSavedPropertyCount = CountSavedProperties();

// Compile-time checks compare indices, not addresses: some compilers do not
// take an address compared with null as a constant.
constexpr bool SameName(const char* a, const char* b) {
    while (*a != '\0' && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

// The place of the property named `name` in kProperties, or -1.
constexpr int PropertyIndex(const char* name) {
    for (std::size_t i = 0; i < std::size(kProperties); ++i) {
        if (SameName(kProperties[i].name, name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

// The saved properties in the order they are read and written.
class SavedProperties {
public:
    constexpr SavedProperties() {
        for (int& index : indices_) {
            index = -1;
        }
        for (std::size_t i = 0; i < std::size(kProperties); ++i) {
            if (kProperties[i].savedOrder > 0) {
                indices_[kProperties[i].savedOrder - 1] = static_cast<int>(i);
            }
        }
    }
    // Whether every place from 1 to kSavedPropertyCount has its property.
    constexpr bool complete() const {
        for (const int index : indices_) {
            if (index < 0) {
                return false;
            }
        }
        return true;
    }

    class Iterator {
    public:
        constexpr Iterator(const int* index) : index_(index) {}
        const PropertyInfo& operator*() const { return kProperties[*index_]; }
        Iterator& operator++() {
            ++index_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return index_ != other.index_; }

    private:
        const int* index_;
    };
    Iterator begin() const { return Iterator(indices_); }
    Iterator end() const { return Iterator(indices_ + kSavedPropertyCount); }

private:
    int indices_[kSavedPropertyCount] = {};
};
inline constexpr SavedProperties kSavedProperties{};
static_assert(kSavedProperties.complete(), "the saved properties are numbered 1, 2, ... each once");

// True when `names` are the saved properties, each once, in any order: a
// list of its own (an editor's page) checks itself against the table with
// it at compile time.
template <std::size_t N>
constexpr bool AreTheSavedProperties(const char* const (&names)[N]) {
    if (N != kSavedPropertyCount) {
        return false;
    }
    for (std::size_t i = 0; i < N; ++i) {
        const int index = PropertyIndex(names[i]);
        if (index < 0 || kProperties[index].savedOrder == 0) {
            return false;
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (SameName(names[i], names[j])) {
                return false;
            }
        }
    }
    return true;
}

// The value a new instance has for the writable property `name`; an invalid
// QVariant for the others.
inline QVariant PropertyDefault(const QString& name) {
#define PATCHWELL_DOWNLOAD_DEFAULT_OF(Type, Name, Argument, SavedKey, SavedOrder, Initial) \
    if (name == QLatin1String(#Name)) {                                                    \
        return QVariant::fromValue<Type>(Default##Name());                                 \
    }
    PATCHWELL_DOWNLOAD_PROPERTIES(PATCHWELL_DOWNLOAD_IGNORE, PATCHWELL_DOWNLOAD_IGNORE,
                                  PATCHWELL_DOWNLOAD_DEFAULT_OF)
#undef PATCHWELL_DOWNLOAD_DEFAULT_OF
    return QVariant();
}

}  // namespace patchwell::download

// Members of a class that passes the properties through to a `core_`; each
// writable one also resets to its default.
#define PATCHWELL_DOWNLOAD_FORWARD_READ(Type, Name, ...) \
    Type Name() const {                                  \
        return core_->Name();                            \
    }
#define PATCHWELL_DOWNLOAD_FORWARD_WRITE(Type, Name, Argument, ...) \
    Type Name() const {                                             \
        return core_->Name();                                       \
    }                                                               \
    void set##Name(PropertyArgument<Type> Argument) {               \
        core_->set##Name(Argument);                                 \
    }                                                               \
    void reset##Name() {                                            \
        core_->set##Name(::patchwell::download::Default##Name());   \
    }
