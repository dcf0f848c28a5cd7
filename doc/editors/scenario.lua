-- scenarioc lsp for the line and train description texts: Neovim 0.7 or
-- later. Put this file into ~/.config/nvim/plugin/ (or paste it into
-- init.lua); `scenarioc` must be on the PATH, or give its full path below.
local texts = { '*_linea.txt', '*-.txt' }
local group = vim.api.nvim_create_augroup('scenario', { clear = true })

-- Read (and so write back) the description texts as Windows-1252.
local saved_fileencodings
vim.api.nvim_create_autocmd('BufReadPre', { group = group, pattern = texts, callback = function()
  saved_fileencodings = vim.o.fileencodings
  vim.o.fileencodings = 'cp1252'
end })
vim.api.nvim_create_autocmd('BufReadPost', { group = group, pattern = texts, callback = function()
  vim.o.fileencodings = saved_fileencodings
end })
vim.api.nvim_create_autocmd('BufNewFile', { group = group, pattern = texts, callback = function()
  vim.bo.fileencoding = 'cp1252'
end })
vim.api.nvim_create_autocmd({ 'BufReadPost', 'BufNewFile' }, { group = group, pattern = texts, callback = function()
  vim.bo.filetype = 'scenario'
end })

-- One server per folder of texts.
local clients = {}
vim.api.nvim_create_autocmd('FileType', { group = group, pattern = 'scenario', callback = function(args)
  local config = {
    name = 'scenarioc',
    cmd = { 'scenarioc', 'lsp' },
    root_dir = vim.fn.fnamemodify(vim.api.nvim_buf_get_name(args.buf), ':p:h'),
  }
  if vim.lsp.start then -- Neovim 0.8 and later
    vim.lsp.start(config, { bufnr = args.buf })
    return
  end
  local id = clients[config.root_dir]
  if not (id and vim.lsp.get_client_by_id(id)) then
    id = vim.lsp.start_client(config)
    clients[config.root_dir] = id
  end
  vim.lsp.buf_attach_client(args.buf, id)
end })
