#pragma once

#include "Operation.h"

#include "core/Interlock.h"

#include <QtGlobal>

class Board;

// An exchange that holds the line from its first byte to its end: nothing else may go out
// meanwhile, and every byte the board sends belongs to it.
class Transfer : public Operation {
    Q_OBJECT
public:
    explicit Transfer(Board& board, QObject* parent = nullptr);
    // A transfer that goes away while it runs gives the line back without a word.
    ~Transfer() override;

    // What the interlock sees while it runs.
    virtual interlock::Activity activity() const = 0;

protected:
    Board& board() const { return m_board; }
    // From now on the line is this run's, and so is every byte the board sends.
    void takeLine();
    // One byte of the exchange. False when the run has ended meanwhile, the port having gone
    // away under it included (the run has then ended as lost).
    bool sendByte(quint8 byte);
    // Ends the run and gives the line back. Only a run that ended Done sends the moves held
    // back meanwhile: after any other end the board may still be inside the exchange.
    void end(State state, const QString& message = QString());

    virtual void received() = 0;
    // The port went away while the run was on.
    virtual void lineLost() = 0;
    // The front end is going away: the run ends where it is, saying nothing.
    virtual void close();

private:
    friend class Board;

    Board& m_board;
};
