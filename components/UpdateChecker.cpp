#include "components/UpdateChecker.h"

#include "components/Exception.h"
#include "platform/LoadableModule.h"
#include "platform/ModuleFileName.h"
#include "platform/Utf8.h"

#include <filesystem>
#include <mutex>

// The module, loaded on first use; checks through it run one at a time.
struct TUpdateChecker::TJob::TModuleLink {
    explicit TModuleLink(std::string APath) : Path(std::move(APath)) {}

    TUpdateCheckOutcome Check(const TUpdateCheckSettings& ASettings) {
        const std::lock_guard lock(Mutex);
        if (!Checker) {
            TUpdateCheckOutcome failure;
            failure.Failed = true;
            failure.Error = Load();
            if (!Checker) return failure;
        }
        return Checker->Check(ASettings);
    }

    // Loads the module and makes its checker; the reason when that fails.
    std::string Load() {
        std::string reason;
        void* module = platform::LoadModule(Path, reason);
        if (!module) return "The update checker could not be loaded from \"" + Path + "\": " + reason;
        const auto create =
            reinterpret_cast<TCreateUpdateCheckModule>(platform::ModuleSymbol(module, kCreateUpdateCheckModule));
        if (!create) return "\"" + Path + "\" is no update checker.";
        Checker.reset(create());
        return Checker ? std::string() : "The update checker could not be started.";
    }

    const std::string Path;
    std::mutex Mutex;
    std::unique_ptr<IUpdateCheckModule> Checker;
};

TUpdateCheckOutcome TUpdateChecker::TJob::Run() const { return FLink->Check(FSettings); }

TUpdateChecker::TUpdateChecker() : TUpdateChecker(DefaultModulePath()) {}

TUpdateChecker::TUpdateChecker(const std::string& AModulePath)
    : FLink(std::make_shared<TJob::TModuleLink>(AModulePath)) {}

TUpdateChecker::~TUpdateChecker() = default;

TUpdateChecker::TJob TUpdateChecker::NewCheck() const { return TJob(FLink, FSettings); }

bool TUpdateChecker::Finish(const TUpdateCheckOutcome& AOutcome) const {
    if (AOutcome.Failed) throw Exception(AOutcome.Error);
    if (AOutcome.Found && OnNewVersionFoundEvent)
        OnNewVersionFoundEvent(AOutcome.NewVersionNumber, AOutcome.NewDownloadLink, AOutcome.UserMessage);
    return AOutcome.Found;
}

bool TUpdateChecker::Update() { return Finish(NewCheck().Run()); }

std::string TUpdateChecker::DefaultModulePath() {
    const std::filesystem::path module = platform::PathFromUtf8(TARNWICK_UPDATE_MODULE_FILE);
    const std::string program = platform::ModuleFileName();
    if (program.empty()) return platform::Utf8FromPath(module);
    const std::filesystem::path folder = platform::PathFromUtf8(program).parent_path();
    std::error_code error;
    if (std::filesystem::exists(folder / module, error)) return platform::Utf8FromPath(folder / module);
    const std::filesystem::path installed = folder / ".." / platform::PathFromUtf8(TARNWICK_MODULE_DIR) / module;
    if (std::filesystem::exists(installed, error)) return platform::Utf8FromPath(installed.lexically_normal());
    return platform::Utf8FromPath(folder / module);
}
