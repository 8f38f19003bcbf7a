#pragma once
// The skin chooser that drops down from the caption's skin button, and the
// process-wide skin-change observer with which windows receive a new
// background for their "root" control.
//
//   // in a window's InitWindow: follow skin changes for as long as it lives
//   ReceiveSkinChanges(*this);
//   // anywhere on the GUI thread: every signed-up window gets the record
//   ObserverImpl::Instance().Broadcast({.bColor = true, .bkcolor = 0xFF15171C});
//
//   // on a click of "skinbtn"
//   CSkinFrame::Open(mainWindow, skinButton);

#include "ui/WindowImplBase.h"

#include <QPointer>
#include <QRect>
#include <QString>

#include <cstdint>
#include <vector>

namespace zk::app {

// A skin change: either a background colour (bColor set, 0xAARRGGBB) or a
// background image (a path as the skin's image properties take it).
struct SkinChangedParam {
    bool bColor = false;
    std::uint32_t bkcolor = 0;
    QString bgimage;
};

// Something that follows skin changes.
class ReceiverImpl {
public:
    virtual ~ReceiverImpl() = default;
    virtual void Receive(const SkinChangedParam& param) = 0;
};

// The process-wide list of receivers, created on first use. GUI thread only.
class ObserverImpl {
public:
    static ObserverImpl& Instance();

    // Adding a receiver twice keeps one entry.
    void AddReceiver(ReceiverImpl* receiver);
    void RemoveReceiver(ReceiverImpl* receiver);
    // Hands the record to every receiver in sign-up order. A receiver may
    // remove itself or others while it runs; removed ones get nothing more.
    void Broadcast(const SkinChangedParam& param);
    std::size_t ReceiverCount() const { return receivers_.size(); }

private:
    ObserverImpl() = default;
    std::vector<ReceiverImpl*> receivers_;
};

// Applies a record to a "root" control: the record's colour without an image
// when bColor is set, otherwise colour 0 and the record's image.
void ApplySkinChange(QWidget* root, const SkinChangedParam& param);

// Signs `window` up with the observer until it is destroyed; records then go
// to its control "root". A second call for the same window changes nothing.
void ReceiveSkinChanges(ui::WindowImplBase& window);

// The skin chooser: a small frameless popup with the layout "skin.xml" that
// is shown without taking the activation from the main window and closes as
// soon as the user turns elsewhere (a press outside it, another application
// taking the focus, a focus change away from it, Escape, or its owner
// hiding). Clicks inside it change nothing. It deletes itself when closed.
class CSkinFrame : public ui::WindowImplBase {
    Q_OBJECT
public:
    CSkinFrame() = default;
    ~CSkinFrame() override;

    QString GetWindowClassName() const override { return QStringLiteral("UISkinFrame"); }
    QString GetSkinFile() override { return QStringLiteral("skin.xml"); }
    void InitWindow() override;
    void Notify(ui::TNotifyUI& msg) override;
    void OnFinalMessage() override;

    // Opens the chooser owned by `owner` with its top-right corner at the
    // bottom-right corner of `skinButton` (kept on the button's screen).
    // When a chooser is already open this closes it instead and returns null
    // (the skin button toggles it); null also when the layout is missing.
    static CSkinFrame* Open(ui::WindowImplBase* owner, QWidget* skinButton);
    // The chooser now open, or null.
    static CSkinFrame* Current();

    // Where a chooser of `size` goes for a skin button at `button` (screen
    // coordinates): its top-right corner at the button's bottom-right corner.
    static QRect Placement(const QRect& button, QSize size);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool event(QEvent* e) override;

private:
    void Dismiss();
    QPointer<QWidget> owner_;
    QPointer<QWidget> anchor_;
};

} // namespace zk::app
