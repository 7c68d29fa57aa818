#include "gui/lineedit/lineedit.h"
#include "gui/factory.h"

#include "modal_answerer.h"
#include "controls.h"
#include "emulation.h"
#include "test_main.h"

#include <QFontMetrics>

using namespace test_support;

namespace {

const unsigned short addr = 0x50;

void type_and_return(QLineEdit& w, const QString& text)
{
    w.selectAll();
    QTest::keyClick(&w, Qt::Key_Backspace);
    QTest::keyClicks(&w, text);
    QTest::keyClick(&w, Qt::Key_Return);
}

// Letters outside ASCII, as a keyboard layout would send them.
void type_letters(QWidget* w, const QString& text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class tst_lineedit : public QObject {
    Q_OBJECT

    recording_backend* backend_ = nullptr;
    std::shared_ptr<device> dev_;

    int writes() const { return int(backend_->written.size()); }

    control_host host_;

    lineedit* make(unsigned length, profiles::item_dir dir = profiles::rw)
    {
        return host_.show(control_in<lineedit>(create_string(blank_item(addr, profiles::string, length, dir), dev_)));
    }

private slots:
    void init() { dev_ = make_device(backend_); }
    void cleanup()
    {
        host_.reset();
        dev_.reset();
    }

    void shows_and_packs_text()
    {
        set_words(addr, {0x4241, 0x0043, 0, 0});
        auto le = make(4);
        QCOMPARE(le->maxLength(), 8);
        QCOMPARE(le->minimumWidth(), 0);
        dev_->update_profile();
        QCOMPARE(le->text(), QString("ABC"));
        QVERIFY(le->minimumWidth() > 0);

        type_and_return(*le, "AB");
        QCOMPARE(words_at(addr, 4), (words{0x4241, 0, 0, 0}));
        type_and_return(*le, "ABC");
        QCOMPARE(words_at(addr, 4), (words{0x4241, 0x0043, 0, 0}));
        // The same text once more is written once more.
        type_and_return(*le, "ABC");
        QCOMPARE(writes(), 3);
        QCOMPARE(le->item().value.data, (words{0x4241, 0x0043, 0, 0}));

        // At most two characters per register.
        type_and_return(*le, "0123456789");
        QCOMPARE(le->text(), QString("01234567"));
        QCOMPARE(words_at(addr, 4), (words{0x3130, 0x3332, 0x3534, 0x3736}));
    }

    void clearing_writes_nul_everywhere()
    {
        set_words(addr, {0x4241, 0x4443, 0x4645, 0x4847});
        auto le = make(4);
        dev_->update_profile();
        QCOMPARE(le->text(), QString("ABCDEFGH"));
        le->selectAll();
        QTest::keyClick(le, Qt::Key_Delete);
        QCOMPARE(le->palette().color(QPalette::Active, QPalette::Base), QColor(Qt::yellow));
        QTest::keyClick(le, Qt::Key_Return);
        QCOMPARE(writes(), 1);
        QCOMPARE(words_at(addr, 4), words(4, 0));
        QVERIFY(le->palette().color(QPalette::Active, QPalette::Base) != QColor(Qt::yellow));
    }

    void only_trailing_nul_is_dropped()
    {
        set_words(addr, {0x0041, 0x0042});
        auto le = make(2);
        dev_->update_profile();
        QCOMPARE(le->text().size(), 3);
        QCOMPARE(le->text(), QString::fromLatin1("A\0B", 3));
    }

    void latin1_only()
    {
        ascii_validator v;
        int pos = 0;
        QString ok = QString::fromUtf8("caf\xc3\xa9 ~?\xc3\xbf");
        QCOMPARE(v.validate(ok, pos), QValidator::Acceptable);
        for (QString bad : {QString::fromUtf8("\xd0\x96"), QString::fromUtf8("a\xe2\x82\xac"),
                            QString::fromLatin1("a\0b", 3)})
            QCOMPARE(v.validate(bad, pos), QValidator::Invalid);
        QString fixed = QString::fromUtf8("x\xd0\x96y") + QChar(0) + "z";
        v.fixup(fixed);
        QCOMPARE(fixed, QString("x?y"));

        auto le = make(4);
        type_letters(le, QString::fromUtf8("\xd0\x96"));
        QCOMPARE(le->text(), QString());
        type_letters(le, QString::fromUtf8("\xc3\xa9" "a\xd0\x96"));
        QCOMPARE(le->text(), QString::fromUtf8("\xc3\xa9" "a"));
        QTest::keyClick(le, Qt::Key_Return);
        QCOMPARE(words_at(addr, 4), (words{0x61E9, 0, 0, 0}));

        // And it reads back as the same letter.
        set_words(addr, {0x00E9});
        dev_->update_profile();
        QCOMPARE(le->text(), QString::fromUtf8("\xc3\xa9"));
    }

    void read_only_field_follows_every_poll()
    {
        set_words(addr, {0x4241, 0x0043});
        auto le = make(2, profiles::ro);
        QVERIFY(le->isReadOnly());
        QVERIFY(le->validator() == nullptr);
        const QPalette p = le->palette();
        QVERIFY(same_colour_everywhere(p, QPalette::Base, p.color(QPalette::Disabled, QPalette::Base)));
        const int expected = le->fontMetrics().horizontalAdvance("ABC__") + 5;
        dev_->update_profile();
        QCOMPARE(le->text(), QString("ABC"));
        QCOMPARE(le->minimumWidth(), expected);

        // Unchanged words still put back text and width.
        le->setText("scribbled");
        le->setMinimumWidth(0);
        dev_->update_profile();
        QCOMPARE(le->text(), QString("ABC"));
        QCOMPARE(le->minimumWidth(), expected);
        QCOMPARE(writes(), 0);
    }

    void escape_and_failed_write_put_back_the_last_text()
    {
        test_support::modal_answerer answerer;
        set_words(addr, {0x4241});
        auto le = make(1);
        dev_->update_profile();
        const QColor normal = le->palette().color(QPalette::Active, QPalette::Base);

        QTest::keyClicks(le, "x");
        QCOMPARE(le->text(), QString("AB"));
        le->selectAll();
        QTest::keyClicks(le, "Q");
        set_words(addr, {0x4443});
        dev_->update_profile();
        QCOMPARE(le->text(), QString("Q"));
        QTest::keyClick(le, Qt::Key_Escape);
        QCOMPARE(le->text(), QString("AB"));
        QCOMPARE(le->palette().color(QPalette::Active, QPalette::Base), normal);
        QCOMPARE(writes(), 0);

        backend_->fail_writes = true;
        type_and_return(*le, "ZZ");
        QCOMPARE(le->text(), QString("AB"));
        QCOMPARE(le->palette().color(QPalette::Active, QPalette::Base), normal);
        QCOMPARE(le->item().value.data, words{0x4443});
        QCOMPARE(answerer.count(), 0);
        QVERIFY(answerer.wait_for(1));
        QCOMPARE(answerer.boxes()[0].title, QString("Set error"));
        QCOMPARE(answerer.boxes()[0].text, QString("Unable to set data."));
    }

    void refuses_items_without_registers()
    {
        std::vector<profiles::item> bad{blank_item(addr, profiles::string, 0),
                                        blank_item(profiles::no_addr, profiles::string, 20)};
        for (const auto& item : bad) {
            QVERIFY_EXCEPTION_THROWN(lineedit(item, dev_), std::runtime_error);
            QVERIFY(dev_->watch_list().empty());
        }
    }
};

VELMORA_TEST_MAIN(tst_lineedit)
#include "tst_lineedit.moc"
