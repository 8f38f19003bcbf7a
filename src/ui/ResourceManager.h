#pragma once
// The skin folder, the resource list and the language texts of all windows.
//
// Resource list ("res.xml" in the skin folder), names compared without regard
// to case:
//
//   <Resources>
//     <Layout name="XML_MAIN" file="main.ui"/>      layout name -> .ui file
//     <Icon id="107" file="images/logo.png"/>       icon resource -> image file
//   </Resources>
//
// Language files ("lan_en.xml", "lan_cn.xml" in the skin folder):
//
//   <Language name="en">
//     <Text id="message_text_1">No device is connected.</Text>
//   </Language>
//
// A control whose text is a resource key carries the key in its dynamic
// property "resourceKey" (set in the .ui file as a string property with
// stdset="0", or by ui::SetText with the key flag). It shows the current
// language's text for that key, and ReloadText re-applies the texts of every
// such control after a language change. Combo and list entries added with
// ui::AddItem(..., isKey = true) follow the language the same way.
//
// Lookup of a key: the loaded language file, then the registered text source
// (a window's QueryControlText), then the key itself, so that a missing text
// is visible rather than blank.
//
// All members are safe to call from any thread; ReloadText and anything that
// touches widgets must run on the GUI thread.

#include <QHash>
#include <QIcon>
#include <QString>

#include <mutex>

class QWidget;

namespace zk::ui {

// Source of texts the language files do not hold (WindowImplBase implements it).
class IQueryControlText {
public:
    virtual ~IQueryControlText() = default;
    // An empty result means "no text for this id".
    virtual QString QueryControlText(const QString& id, const QString& type) = 0;
};

class ResourceManager {
public:
    static ResourceManager& GetInstance();

    // The skin folder; relative file names below are looked up in it.
    void SetResourcePath(const QString& path);
    QString GetResourcePath() const;
    // The program's own folder (default: the executable's folder).
    void SetInstancePath(const QString& path);
    QString GetInstancePath() const;

    // Reads the resource list (file name relative to the skin folder, or an
    // absolute path). False with nothing changed when the file is missing or
    // malformed; entries of a later list override earlier ones.
    bool LoadResource(const QString& file);
    // The .ui file path for a layout name: a name of the resource list, or a
    // file name in the skin folder; a ".xml" name that is not present is also
    // tried with ".ui", and file names are matched without regard to case when
    // no exact match exists. Empty when nothing is found.
    QString ResolveLayout(const QString& nameOrFile) const;
    // The icon of an icon resource id; a null icon when unknown.
    QIcon GetIcon(int id) const;

    // Language name ("en", "cn", "cn_zh"): a plain string the program sets.
    void SetLanguage(const QString& name);
    QString GetLanguage() const;
    // Loads a language file (relative to the skin folder or absolute). False
    // when it is missing or malformed; the previous texts then stay.
    bool LoadLanguage(const QString& file);
    // The file of the loaded language ("lan_cn.xml"), empty before any.
    QString GetLanguageFile() const;

    // The text of a key, see the lookup order above.
    QString GetText(const QString& id, const QString& type = {}) const;
    // True when the loaded language file has a text for the key.
    bool HasText(const QString& id) const;

    // The window that answers texts missing from the language file; null to
    // remove. A window removes itself when destroyed.
    void SetTextQueryInterface(IQueryControlText* source);
    IQueryControlText* GetTextQueryInterface() const;

    // Re-applies the current language to every control of every window whose
    // text is a resource key. GUI thread only.
    void ReloadText();
    // Same for one control tree (used after a layout is built).
    void ApplyTexts(QWidget* root);

private:
    ResourceManager();
    mutable std::mutex mutex_;
    QString resourcePath_;
    QString instancePath_;
    QHash<QString, QString> layouts_; // lower-case name -> file
    QHash<int, QString> icons_;
    QString language_;
    QString languageFile_;
    QHash<QString, QString> texts_;
    IQueryControlText* textSource_ = nullptr;
};

} // namespace zk::ui
