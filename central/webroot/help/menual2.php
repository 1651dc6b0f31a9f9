<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>도움말 2 - 공유 폴더</title></head>
<body>
<h1>도움말 2 - 공유 폴더</h1>
<p>공유 폴더마다 탐색, 다운로드, 업로드, 성인 권한을 회원별로 줄 수 있습니다. [all]은 모든 회원을 뜻합니다.</p>
</body>
</html>
