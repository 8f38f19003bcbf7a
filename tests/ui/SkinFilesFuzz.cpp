// Fuzz target of the skin's files as the program reads them: the input is
// split at 0xFF bytes into a resource list, a language file and a layout. A
// list or language file that does not load changes nothing, a text read is
// the file's or the key itself, and a layout builds into a widget tree or into
// nothing, never a crash.
#include "ui/DialogBuilder.h"
#include "ui/ResourceManager.h"

#include "support/FuzzInput.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

using zk::ui::DialogBuilder;
using zk::ui::ResourceManager;
namespace fs = std::filesystem;

namespace {

using zktest::Check;

// The application and a skin folder of the process's own, both kept until the
// process ends.
const fs::path& Skin() {
    static const fs::path* skin = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_skin_files";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv);
        auto* folder = new fs::path(zktest::MakeScratchFolder("zk_fuzz_skin"));
        ResourceManager::GetInstance().SetResourcePath(QString::fromStdString(folder->string()));
        return folder;
    }();
    return *skin;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const fs::path& skin = Skin();
    ResourceManager& rm = ResourceManager::GetInstance();
    const auto parts =
        zktest::SplitParts(std::string_view(reinterpret_cast<const char*>(data), size), 3);

    zktest::PutFile(skin / "res.xml", parts[0]);
    const QString layoutBefore = rm.ResolveLayout(QStringLiteral("XML_FUZZ"));
    if (!rm.LoadResource(QStringLiteral("res.xml")))
        Check(rm.ResolveLayout(QStringLiteral("XML_FUZZ")) == layoutBefore);

    zktest::PutFile(skin / "lan.xml", parts[1]);
    const QString textBefore = rm.GetText(QStringLiteral("fuzz_text"));
    if (!rm.LoadLanguage(QStringLiteral("lan.xml")))
        Check(rm.GetText(QStringLiteral("fuzz_text")) == textBefore);
    Check(rm.HasText(QStringLiteral("fuzz_text")) ||
          rm.GetText(QStringLiteral("fuzz_text")) == QStringLiteral("fuzz_text"));

    zktest::PutFile(skin / "fuzz.ui", parts[2]);
    const std::unique_ptr<QWidget> root(DialogBuilder::Create(QStringLiteral("fuzz.ui")));
    if (root)
        Check(root->parent() == nullptr);
    QApplication::processEvents();
    return 0;
}
