#!/usr/bin/env python3
"""Reads an export back with Python's own mailbox module, a reader this project did not write, and prints
what it finds, a line each: "box HEX" for every mbox file (FORMAT mbox) or Maildir folder (FORMAT maildir)
below DIR, HEX its path relative to DIR (a folder name for a Maildir); then "message FLAGS HEX" for each of
its messages in order, FLAGS the Maildir flags ("-" for none) and HEX the message's bytes.

Usage: read_mailboxes.py mbox|maildir DIR"""
import mailbox
import os
import sys


def boxes(kind, root):
    if kind == "mbox":
        for folder, directories, files in os.walk(root):
            for name in sorted(files):
                path = os.path.join(folder, name)
                yield os.path.relpath(path, root), mailbox.mbox(path, create=False), list
    else:
        top = mailbox.Maildir(root, factory=None, create=False)
        # Delivered in order: the name's counter says which came first.
        order = lambda keys: sorted(keys, key=lambda k: int(k.split("Q")[1].split(".")[0]))
        yield "", top, order
        for name in sorted(top.list_folders()):
            yield name, top.get_folder(name), order


if __name__ == "__main__":
    kind, root = sys.argv[1], sys.argv[2]
    for name, box, order in boxes(kind, root):
        print("box", name.encode().hex())
        for key in order(box.keys()):
            flags = box.get_message(key).get_flags() if kind == "maildir" else ""
            print("message", flags or "-", box.get_bytes(key).hex())
