<!DOCTYPE html>
<html lang="ko">
<head><meta charset="utf-8"><title>도움말 1 - 시작하기</title></head>
<body>
<h1>도움말 1 - 시작하기</h1>
<p>환경설정의 [필수설정]에서 서버설명, 공유 폴더, 다운로드 폴더를 정한 뒤 로그인하세요.</p>
</body>
</html>
