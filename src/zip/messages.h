// The zip component's message lookup: the built-in English table, an optional language
// table from the program's raw-data resource 11610, the program-wide text hook, and the
// exception EZipUnpacker that carries a message id from an error to its report.
#pragma once

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

#include "framework/sysutils.h"
#include "zip/msgcodec.h"

namespace mvt::zip {

// Ids used by the component itself.
enum MessageId : int {
    kMsgDefaultLanguage = 10096,
    kMsgNoZipFile = 10102,
    kMsgNoMemory = 10103,
    kMsgHandlerException = 10106,
    kMsgExceptionInEvent = 10113,
    kMsgDllAborting = 10118,
    kMsgDllCancelled = 10120,
    kMsgDllNoMemory = 10121,
    kMsgDllInvalid = 10122,
    kMsgDllHandler = 10123,
    kMsgDllCritical = 10124,
    kMsgUnknownError = 10125,
    kMsgSkipped = 10126,
    kMsgNoExtractPassword = 10151,
    kMsgPasswordCaption = 10154,
    kMsgPasswordPrompt = 10155,
    kMsgSeekError = 10201,
    kMsgListError = 10202,
    kMsgStructureWarning = 10203,
    kMsgGarbageWarning = 10204,
    kMsgFirstButton = 10220,
    kMsgUnattendedPassword = 10502,
    kMsgExtractDirMissing = 10504,
    kMsgExtractDirLink = 10505,
    kMsgDllLoadFailed = 10650,
    kMsgDllOld = 10651,
    kMsgDllLoaded = 10652,
    kMsgDllUnloaded = 10653,
    kMsgZipNotOpened = 11002,
    kMsgUserCancelled = 11007,
    kMsgEndRecordError = 11011,
    kMsgCentralHeaderError = 11013,
    kMsgCentralSignature = 11015,
    kMsgCentralName = 11017,
    kMsgFileComment = 11022,
    kMsgNotAZip = 11036,
    kMsgUnknown = 11049,
    kMsgCannotWrite = 11051,
    kMsgPhaseBase = 11400,
    kMsgLoadingDirectory = 11409,
};

// Sees every looked-up text; a non-empty result replaces it.
using TZipTextHook = std::function<void(int id, std::string& text)>;

class TZipMessages {
  public:
    // The text of an id; never empty ("Resource missing for <id>" as the last resort).
    std::string Text(int id);
    // The text of an id formatted with the arguments.
    std::string Format(int id, std::initializer_list<MessageArg> args);

    // Selects the language table by name, "*", a locale number or "$" hex number.
    void SetLanguage(const std::string& name);
    // "US: default" (message 10096) while no language table is loaded.
    std::string Language();
    bool LanguageLoaded() const { return language_.has_value(); }

    TZipTextHook TextHook;

  private:
    const StringTableImage* Builtin();
    std::optional<StringTableImage> language_;
    std::optional<StringTableImage> builtin_;
    bool builtinTried_ = false;
};

// The program-wide message table (like the application object, one per process).
TZipMessages& ZipMessages();

// The " <%X:%s>" part for a system error number; empty below 1.
std::string SystemErrorPart(unsigned long error);

// An error inside the zip component, carrying the message id it is reported with.
class EZipUnpacker : public Exception {
  public:
    static EZipUnpacker FromText(int id, const std::string& text, bool display);
    static EZipUnpacker FromId(int id, bool display = true);
    static EZipUnpacker Formatted(int id, std::initializer_list<MessageArg> args);
    static EZipUnpacker WithNumber(int id, int64_t number);
    static EZipUnpacker WithText(int id, const std::string& text);
    static EZipUnpacker WithSystemError(int id, unsigned long error, const std::string& text);

    int ResId() const { return resId_; }
    bool Display() const { return display_; }
    int HelpContext() const { return helpContext_; }

  private:
    EZipUnpacker(const std::string& text, int id, bool display)
        : Exception(text), resId_(id), display_(display) {}
    int resId_;
    bool display_;
    int helpContext_ = 0;
};

}  // namespace mvt::zip
