" Scripts of the QJIntp32 interpreter.
autocmd BufRead,BufNewFile *.scr set filetype=qjscript
