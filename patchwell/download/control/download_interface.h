#pragma once

// The control's properties in one list, in declaration order. The classes
// that carry them keep their Q_PROPERTY lines (moc reads those literally);
// the members that pass a property through to the control are generated from
// these lists, and the tests hold every meta-object against them.
//
//   PATCHWELL_DOWNLOAD_READ_PROPERTIES(X):  X(Type, Name) for each read-only one
//   PATCHWELL_DOWNLOAD_WRITE_PROPERTIES(X): X(Type, Name, Argument) for each
//                                           writable one (Argument: the name of
//                                           the assignment's parameter)

#include <QString>

#include <type_traits>

#define PATCHWELL_DOWNLOAD_READ_PROPERTIES(X) \
    X(bool, InDL)                             \
    X(bool, AResume)                          \
    X(bool, CPause)                           \
    X(bool, CCancel)                          \
    X(bool, ResumeSupported)                  \
    X(bool, Connected)                        \
    X(bool, FileExists)                       \
    X(qint32, FileSize)

#define PATCHWELL_DOWNLOAD_WRITE_PROPERTIES(X) \
    X(qint32, ROLLBACK, lnumBYTES)             \
    X(bool, PromptOverwrite, DoPrompt)         \
    X(bool, OnlineCheck, DoCheck)              \
    X(bool, KeepType, IsKeep)                  \
    X(QString, Url, New_Url)                   \
    X(qint32, CHUNK, New_CHUNK)                \
    X(QString, SaveLocation, New_Location)

// Members of a class that passes the properties through to a `core_`, and
// resets each writable one to the class's Default<Name>().
#define PATCHWELL_DOWNLOAD_FORWARD_READ(Type, Name) \
    Type Name() const {                             \
        return core_->Name();                       \
    }
#define PATCHWELL_DOWNLOAD_FORWARD_WRITE(Type, Name, Argument) \
    Type Name() const {                                        \
        return core_->Name();                                  \
    }                                                          \
    void set##Name(PropertyArgument<Type> Argument) {          \
        core_->set##Name(Argument);                            \
    }                                                          \
    void reset##Name() {                                       \
        core_->set##Name(Default##Name());                     \
    }

namespace patchwell::download {

// Texts are passed by reference, numbers and flags by value.
template <class T>
using PropertyArgument = std::conditional_t<std::is_same_v<T, QString>, const QString&, T>;

}  // namespace patchwell::download
