#pragma once
// A window's control by its object name, as a test reaches it. A missing
// control fails the test where it is asked for.

#include <QObject>
#include <QString>
#include <stdexcept>
#include <string>

namespace calm::test {

template <class T> T* child(const QObject& parent, const char* name)
{
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        throw std::logic_error("no control named " + std::string(name));
    return found;
}

} // namespace calm::test
