#ifndef TIEDPROCESS_H
#define TIEDPROCESS_H

#include <QProcess>

// A child process that does not outlive the program: should the program
// end without stopping it (a crash, a kill), the system ends the child too.
// Where the system offers no such tie, it is a plain QProcess.
class TiedProcess : public QProcess
{
public:
    explicit TiedProcess(QObject *parent = nullptr);

protected:
    void setupChildProcess() override;

private:
    qint64 m_programId;
};

#endif // TIEDPROCESS_H
