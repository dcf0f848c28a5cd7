" scenarioc lsp for the line and train description texts: Vim 8.2 or
" later with ALE 3.0 or later (Debian: vim-ale). Put this file into
" ~/.vim/plugin/ (or source it from vimrc); `scenarioc` must be on the PATH,
" or give its full path below.
augroup scenario
  autocmd!
  autocmd BufReadPre *_linea.txt,*-.txt let s:fencs = &fileencodings | set fileencodings=cp1252
  autocmd BufReadPost *_linea.txt,*-.txt if exists('s:fencs') | let &fileencodings = s:fencs | unlet s:fencs | endif
  autocmd BufNewFile *_linea.txt,*-.txt setlocal fileencoding=cp1252
  autocmd BufReadPost,BufNewFile *_linea.txt,*-.txt setlocal filetype=scenario
augroup END

call ale#linter#Define('scenario', {
\   'name': 'scenarioc',
\   'lsp': 'stdio',
\   'executable': 'scenarioc',
\   'command': '%e lsp',
\   'project_root': {buffer -> fnamemodify(bufname(buffer), ':p:h')},
\})
let g:ale_linters = get(g:, 'ale_linters', {})
let g:ale_linters.scenario = ['scenarioc']
