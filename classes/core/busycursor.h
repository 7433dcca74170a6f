#ifndef BUSYCURSOR_H
#define BUSYCURSOR_H

// Shows the wait cursor for as long as the object lives (a bulk action
// that may take seconds). Does nothing without a GUI application.
class BusyCursor
{
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

    // Takes the wait cursor away while the user is asked something (it
    // would hide that a message waits for an answer) ...
    void pause();
    // ... and shows it again afterwards.
    void resume();

private:
    bool m_shown = false;
    bool m_paused = false;
};

#endif // BUSYCURSOR_H
