// Program entry: the command line is not read; the show always asks for 640 x 480 x 16.
#include "app/sequence.h"

int main() {
    return KarveldMain(ShowOptions{});
}
