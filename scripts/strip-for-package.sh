#!/bin/sh
# The strip that the package build runs on each installed binary: besides the symbols it drops
# the compilers' .comment and the .note section, as Debian's own packaging does.
exec strip --remove-section=.comment --remove-section=.note "$@"
