#include "modal_answerer.h"

#include "test_main.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QTemporaryDir>

class tst_modal_answerer : public QObject {
    Q_OBJECT
private slots:
    void answers_each_kind_and_records_it()
    {
        test_support::modal_answerer answerer(QMessageBox::Yes);
        QCOMPARE(QMessageBox::question(nullptr, "Close device?", "The device is busy."), QMessageBox::Yes);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        answerer.set_file("dump.txt");
        const QString saved = QFileDialog::getSaveFileName(nullptr, "Save map", dir.path(), "Text files (*.txt)");
        QCOMPARE(saved, dir.filePath("dump.txt"));

        answerer.set_color(QColor(Qt::magenta));
        QCOMPARE(QColorDialog::getColor(Qt::red, nullptr, "Curve colour"), QColor(Qt::magenta));

        QDialog plain;
        plain.setWindowTitle("Preferences");
        answerer.set_handler([](QDialog* d) {
            d->accept();
            return true;
        });
        QCOMPARE(plain.exec(), int(QDialog::Accepted));

        QCOMPARE(answerer.count(), 4);
        const auto& seen = answerer.dialogs();
        QCOMPARE(seen[0].kind, QString("QMessageBox"));
        QCOMPARE(seen[0].title, QString("Close device?"));
        QCOMPARE(seen[0].text, QString("The device is busy."));
        QCOMPARE(seen[0].icon, QMessageBox::Question);
        QCOMPARE(seen[1].kind, QString("QFileDialog"));
        QCOMPARE(seen[1].title, QString("Save map"));
        QCOMPARE(seen[1].directory, QDir(dir.path()).absolutePath());
        QCOMPARE(seen[1].filters, QStringList{"Text files (*.txt)"});
        QCOMPARE(seen[2].kind, QString("QColorDialog"));
        QCOMPARE(seen[3].title, QString("Preferences"));
    }

    void cancels_what_it_has_no_answer_for()
    {
        test_support::modal_answerer answerer;
        QVERIFY(QFileDialog::getOpenFileName(nullptr, "Run script").isEmpty());
        QVERIFY(!QColorDialog::getColor(Qt::red).isValid());
        QDialog plain;
        QCOMPARE(plain.exec(), int(QDialog::Rejected));

        // A file that isn't there: the dialog's own warning is answered,
        // and the dialog that refused the name is then cancelled.
        answerer.set_file("/nonexistent/dir/x.sc");
        QVERIFY(QFileDialog::getOpenFileName(nullptr, "Run script").isEmpty());
        QCOMPARE(answerer.count(), 5);
        QCOMPARE(answerer.dialogs()[4].kind, QString("QMessageBox"));

        // Unless the name is to be taken as typed.
        answerer.set_file_unchecked("/nonexistent/dir/x.sc");
        QCOMPARE(QFileDialog::getOpenFileName(nullptr, "Run script"), QString("/nonexistent/dir/x.sc"));
        QCOMPARE(answerer.count(), 6);
    }
};

VELMORA_TEST_MAIN(tst_modal_answerer)
#include "tst_modal_answerer.moc"
