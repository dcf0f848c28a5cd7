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

-- :ScenarioPreview draws the scenario being edited (the live preview, as
-- `scenarioc render` draws it) into an SVG file and opens it in the
-- system's viewer; run it again after a change.
vim.api.nvim_create_user_command('ScenarioPreview', function()
  local buf = vim.api.nvim_get_current_buf()
  local params = { textDocument = vim.lsp.util.make_text_document_params(buf) }
  local replies = vim.lsp.buf_request_sync(buf, 'scenarioc/preview', params, 10000) or {}
  for _, reply in pairs(replies) do
    local r = reply.result
    if r and r.svg then
      local path = vim.fn.tempname() .. '.svg'
      vim.fn.writefile({ r.svg }, path, 'b')
      if vim.ui.open then -- Neovim 0.10 and later
        vim.ui.open(path)
      else
        local opener = vim.fn.has('win32') == 1 and { 'cmd', '/c', 'start', '', path }
          or { vim.fn.has('mac') == 1 and 'open' or 'xdg-open', path }
        vim.fn.jobstart(opener, { detach = true })
      end
      return
    elseif r and r.problem then
      vim.notify('scenarioc: nothing to draw: ' .. r.problem, vim.log.levels.WARN)
      return
    end
  end
  vim.notify('scenarioc: no preview (is the server running on this text?)', vim.log.levels.WARN)
end, {})
