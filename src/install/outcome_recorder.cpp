#include "install/outcome_recorder.h"

#include <unordered_map>

#include "zip/messages.h"

namespace mvt::install {

OutcomeRecorder::OutcomeRecorder(zip::TZipUnpacker& unpacker, ArchiveOutcome& outcome)
    : unpacker_(unpacker),
      previousMessage_(unpacker.OnMessage),
      previousSkipped_(unpacker.OnExtractSkipped) {
    unpacker_.OnMessage = [this, &outcome](TObject* sender, int code, const std::string& text) {
        if (code != 0) outcome.messages.push_back(text);
        if (previousMessage_) previousMessage_(sender, code, text);
    };
    unpacker_.OnExtractSkipped = [this, &outcome](TObject* sender, const std::string& name,
                                                  zip::TZipSkipType reason, int extError) {
        MissingEntry& entry = outcome.missing.emplace_back();
        entry.name = name;
        entry.reason = static_cast<int>(reason);
        entry.errorCode = extError;
        if (previousSkipped_)
            previousSkipped_(sender, name, reason, extError);
        else if (previousMessage_)
            previousMessage_(sender, zip::kMsgUnknownError,
                             zip::ZipMessages().Format(zip::kMsgSkipped, {name, int64_t(reason)}));
    };
}

OutcomeRecorder::~OutcomeRecorder() {
    unpacker_.OnMessage = previousMessage_;
    unpacker_.OnExtractSkipped = previousSkipped_;
}

void OutcomeRecorder::Complete(ArchiveOutcome& outcome) const {
    std::unordered_map<std::string, uint64_t> sizes;
    outcome.files = 0;
    for (const zip::ZipDirEntry& entry : unpacker_.ZipContents()) {
        if (!entry.fileName.empty() && entry.fileName.back() == '\\') continue;  // a folder
        ++outcome.files;
        sizes[entry.fileName] = entry.uncompressedSize;
    }
    for (MissingEntry& entry : outcome.missing)
        if (auto found = sizes.find(entry.name); found != sizes.end()) entry.size = found->second;
}

}  // namespace mvt::install
