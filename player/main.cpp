// scriptplayer: plays the scripts that the script maker writes.
#include <QCoreApplication>

#include "player/player.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    return player::runPlayer(QCoreApplication::arguments().mid(1));
}
