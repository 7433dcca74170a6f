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

private:
    bool m_shown = false;
};

#endif // BUSYCURSOR_H
